// Image descriptions and global.txt from arbitrary bytes: the first byte picks the parser.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "panel/skin/image_description.h"
#include "panel/skin/skin_font_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  if (data[0] & 1) {
    kv::skin::ImageDescription d;
    kv::skin::parseImageDescription(text, d);
    kv::skin::computeFrames(d, 40, 2000);
    if (d.lastFrame < 0) __builtin_trap();
  } else {
    auto lookup = [](std::string_view n) -> std::optional<std::string> {
      if (n.size() == 5) return std::string(n);
      return std::nullopt;
    };
    kv::skin::parseFontFile(text, lookup);
  }
  return 0;
}
