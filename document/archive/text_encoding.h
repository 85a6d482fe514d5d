#pragma once
// Document texts are Windows-1252 byte strings. Archives may also hold UTF-16 texts; they
// are converted on reading, with '?' for every character 1252 cannot show.
#include <cstdint>
#include <span>
#include <string>

namespace kv {

// UTF-16LE code units (two bytes each) to Windows-1252. A surrogate pair counts as one
// character ('?'); a lone surrogate is '?' as well.
std::string utf16leToWindows1252(std::span<const uint8_t> bytes);

// One UTF-16 code point to its Windows-1252 byte, or '?' when there is none.
char windows1252FromCodePoint(uint32_t code_point);

}  // namespace kv
