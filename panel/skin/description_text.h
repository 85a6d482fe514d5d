#pragma once
// Line splitting shared by the skin's text files (image descriptions and global.txt).
//
// Every line has its trailing CR, LF and white space removed first, so files written on
// Windows read the same as ours. Numbers read like the C library's atoi: leading white
// space, an optional sign, then digits; anything after the digits is ignored, text without
// digits is 0, and values beyond the 32-bit range saturate.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kv::skin {

// Splits a text into lines at LF, each with trailing CR/LF/space/tab removed.
std::vector<std::string_view> splitLines(std::string_view text);

int32_t readNumber(std::string_view token);

// Image descriptions: a token ends at the first space or comma; the rest, with leading
// white space removed, is split the same way, and the last part is a token as it stands.
// A token other than the last one that begins with ';' ends the line.
std::vector<std::string_view> descriptionTokens(std::string_view line);

// global.txt: tokens separated by spaces or commas, white space around them removed; a
// token may be quoted with " or ' (quotes removed, spaces kept); a token beginning with ';'
// ends the line.
std::vector<std::string> fontFileTokens(std::string_view line);

}  // namespace kv::skin
