#pragma once
// Reading the process environment.
#include <optional>
#include <string>
#include <string_view>

namespace kv {

// The value of the environment variable `name`, found whatever the case of its letters: a
// variable spelt exactly `name` wins, otherwise the first one whose name equals `name` when
// ASCII letters are compared without case. No value when there is none.
std::optional<std::string> environmentValueAnyCase(std::string_view name);

}  // namespace kv
