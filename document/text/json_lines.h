#pragma once
// JSON parsing that remembers where each object began: every parsed object carries the line
// of its opening brace under the key kLineKey, so that errors found later, while the objects
// are turned into a patch, can name the line of the offending item.
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace kv::text {

inline constexpr const char* kLineKey = "\x01line";

// A syntax error: the message names the line and column.
struct JsonSyntaxError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Parses the text; throws JsonSyntaxError.
nlohmann::json parseWithLines(std::string_view text);

// The line recorded for an object (0 when none).
int lineOf(const nlohmann::json& object);

}  // namespace kv::text
