#include "document/archive/file_version.h"

#include <charconv>

namespace kv {

std::string newerVersionMessage(int32_t file_version) {
  const float shown = static_cast<float>(file_version) * 0.01f;
  char number[64];
  auto [end, ec] = std::to_chars(number, number + sizeof number, static_cast<double>(shown),
                                 std::chars_format::fixed, 2);
  const std::string text = ec == std::errc() ? std::string(number, end) : std::string("?");
  return "Load Cancelled.  File created by a newer version of Korvane (V" + text +
         "). Please use a newer version of the plug-in to load this patch.";
}

std::string tooOldVersionDetail(int32_t file_version) {
  return "file version " + std::to_string(file_version) + " is older than the oldest version read (" +
         std::to_string(kOldestReadableFileVersion) + ")";
}

}  // namespace kv
