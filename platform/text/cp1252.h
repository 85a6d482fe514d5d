#pragma once
// Windows-1252, the code page of every text in a patch: bytes to Unicode for glyph look-up,
// and back for text typed into edit boxes.

#include <cstdint>

namespace kv::gfx {

// The Unicode character of a byte. The five bytes 1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 control of the same value, as the Windows converter does.
char32_t cp1252_to_unicode(uint8_t byte);

// The byte for a Unicode character, or -1 when 1252 cannot represent it.
int unicode_to_cp1252(char32_t c);

}  // namespace kv::gfx
