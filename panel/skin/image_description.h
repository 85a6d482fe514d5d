#pragma once
// How a skin image is cut into frames and used by its control: the values an image
// description file ("<image>.txt" beside the image) sets, with their defaults.
//
// The file holds one key per line followed by its values (description_text.h gives the
// splitting rules). Lines with fewer values than their key reads are ignored, and so is a
// frame size that is not positive (it would divide by zero when the frames are counted).
#include <cstdint>
#include <string_view>

namespace kv::skin {

// Kinds of skin image.
enum ImageKind : int32_t { kKindSlider = 0, kKindAnimated = 1, kKindButton = 2, kKindBarGraph = 3 };

struct IntRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const IntRect&, const IntRect&) = default;
};

struct ImageDescription {
  int32_t segmentCount = 5;  // also the line end length of panel group frames
  int32_t response = 0;      // mouse response / orientation / tiling, by first letter
  int32_t handleRangeEnd = 50;
  int32_t handleRangeStart = 0;
  IntRect handleRect{0, 0, 10, 10};
  int32_t frameWidth = 10;
  int32_t frameHeight = 10;
  int32_t lastFrame = -1;  // computed once the image is known
  int32_t kind = kKindAnimated;
  int32_t padLeft = 0, padRight = 0, padTop = 0, padBottom = 0;
  // Read from the file but not stored in archives.
  bool frameSizeGiven = false;
  int32_t keyX = -1, keyY = -1;  // "transparent_pixel" (BMP images)

  friend bool operator==(const ImageDescription&, const ImageDescription&) = default;
};

// Applies the lines of a description text to `d` (keys not named keep their values).
void parseImageDescription(std::string_view text, ImageDescription& d);

// Response mode of the first letter of a word: t 0, f 1, h 1, c 2, r 3, s 4, v 0; -1 for
// other letters (no change).
int32_t responseOfLetter(char c);

// Completes the frame layout for an image of the given size: with a frame size from the
// file the last frame index is height / frame height - 1 (at least 0); without one the
// frame is the whole image and the last index 0.
void computeFrames(ImageDescription& d, int32_t imageWidth, int32_t imageHeight);

}  // namespace kv::skin
