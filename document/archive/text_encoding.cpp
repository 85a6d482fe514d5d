#include "document/archive/text_encoding.h"

namespace kv {

namespace {

// Code points of the bytes 0x80..0x9F. The five bytes 1252 leaves undefined map to the C1
// control of the same value, as Windows converts them, so those texts survive unchanged.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

char windows1252FromCodePoint(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] == cp) return static_cast<char>(0x80 + i);
  }
  return '?';
}

std::string utf16leToWindows1252(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size() / 2);
  const size_t units = bytes.size() / 2;
  for (size_t i = 0; i < units; ++i) {
    uint16_t u = static_cast<uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      uint16_t next = static_cast<uint16_t>(bytes[2 * i + 2] | (bytes[2 * i + 3] << 8));
      if (next >= 0xDC00 && next <= 0xDFFF) ++i;  // the pair is one character
      out.push_back('?');
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      out.push_back('?');
    } else {
      out.push_back(windows1252FromCodePoint(u));
    }
  }
  return out;
}

}  // namespace kv
