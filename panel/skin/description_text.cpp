#include "panel/skin/description_text.h"

#include <cctype>

namespace kv::skin {

namespace {
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
}  // namespace

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    while (!line.empty() && isSpace(line.back())) line.remove_suffix(1);
    lines.push_back(line);
    pos = end + 1;
  }
  return lines;
}

int32_t readNumber(std::string_view token) {
  size_t i = 0;
  while (i < token.size() && isSpace(token[i])) ++i;
  bool negative = false;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
  int64_t v = 0;
  for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
    v = v * 10 + (token[i] - '0');
    if (v > int64_t(INT32_MAX) + 1) v = int64_t(INT32_MAX) + 1;  // saturate, keep reading
  }
  if (negative) v = -v;
  if (v > INT32_MAX) v = INT32_MAX;
  return int32_t(v);
}

std::vector<std::string_view> descriptionTokens(std::string_view line) {
  std::vector<std::string_view> tokens;
  std::string_view rest = line;
  for (;;) {
    size_t cut = rest.find_first_of(" ,");
    if (cut == std::string_view::npos) {
      tokens.push_back(rest);  // the last part, as it stands
      break;
    }
    std::string_view token = rest.substr(0, cut);
    if (!token.empty() && token[0] == ';') break;
    tokens.push_back(token);
    rest = rest.substr(cut + 1);
    while (!rest.empty() && isSpace(rest.front())) rest.remove_prefix(1);
  }
  return tokens;
}

std::vector<std::string> fontFileTokens(std::string_view line) {
  std::vector<std::string> tokens;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (isSpace(line[i]) || line[i] == ',')) ++i;
    if (i >= line.size()) break;
    std::string token;
    bool quoted = false;
    if (line[i] == '"' || line[i] == '\'') {
      char q = line[i++];
      size_t end = line.find(q, i);
      if (end == std::string_view::npos) end = line.size();
      token.assign(line.substr(i, end - i));
      i = end < line.size() ? end + 1 : end;
      quoted = true;
    } else {
      size_t start = i;
      while (i < line.size() && !isSpace(line[i]) && line[i] != ',') ++i;
      token.assign(line.substr(start, i - start));
    }
    if (!quoted && !token.empty() && token[0] == ';') break;
    if (quoted) {
      // White space around a quoted name is not part of it.
      while (!token.empty() && isSpace(token.back())) token.pop_back();
      size_t lead = 0;
      while (lead < token.size() && isSpace(token[lead])) ++lead;
      token.erase(0, lead);
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

}  // namespace kv::skin
