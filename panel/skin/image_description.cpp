#include "panel/skin/image_description.h"

#include <string>

#include "panel/skin/description_text.h"

namespace kv::skin {

int32_t responseOfLetter(char c) {
  switch (c) {
    case 't': return 0;
    case 'v': return 0;  // "vertical": the orientation every control takes by default
    case 'f': return 1;
    case 'h': return 1;
    case 'c': return 2;
    case 'r': return 3;
    case 's': return 4;
    default: return -1;
  }
}

void parseImageDescription(std::string_view text, ImageDescription& d) {
  for (std::string_view line : splitLines(text)) {
    std::vector<std::string_view> t = descriptionTokens(line);
    if (t.empty()) continue;
    std::string_view key = t[0];
    size_t n = t.size() - 1;  // number of values
    auto num = [&](size_t i) { return readNumber(t[i + 1]); };
    if (key == "type") {
      if (n < 1) continue;
      std::string_view w = t[1];
      if (w == "slider") d.kind = kKindSlider;
      else if (w == "knob" || w == "animated") d.kind = kKindAnimated;
      else if (w == "button") d.kind = kKindButton;
      else if (w == "bargraph") d.kind = kKindBarGraph;
    } else if (key == "frame_size") {
      if (n < 2) continue;
      int32_t w = num(0), h = num(1);
      if (w <= 0 || h <= 0) continue;
      d.frameWidth = w;
      d.frameHeight = h;
      d.frameSizeGiven = true;
    } else if (key == "padding") {
      if (n < 4) continue;
      d.padTop = num(0);
      d.padBottom = num(1);
      d.padLeft = num(2);
      d.padRight = num(3);
    } else if (key == "handle_rect") {
      if (n < 4) continue;
      d.handleRect = {num(0), num(1), num(2), num(3)};
    } else if (key == "handle_range" || key == "segment") {
      if (n < 2) continue;
      d.handleRangeStart = num(0);
      d.handleRangeEnd = num(1);
    } else if (key == "orientation" || key == "tiled" || key == "mouse_response") {
      if (n < 1 || t[1].empty()) continue;
      int32_t r = responseOfLetter(t[1][0]);
      if (r >= 0) d.response = r;
    } else if (key == "line_end_length" || key == "segment_count") {
      if (n < 1) continue;
      d.segmentCount = num(0);
    } else if (key == "transparent_pixel") {
      if (n < 2) continue;
      d.keyX = num(0);
      d.keyY = num(1);
    }
  }
}

void computeFrames(ImageDescription& d, int32_t imageWidth, int32_t imageHeight) {
  if (d.frameSizeGiven && d.frameHeight > 0) {
    d.lastFrame = imageHeight / d.frameHeight - 1;
    if (d.lastFrame < 0) d.lastFrame = 0;
  } else {
    d.frameWidth = imageWidth;
    d.frameHeight = imageHeight;
    d.lastFrame = 0;
  }
}

}  // namespace kv::skin
