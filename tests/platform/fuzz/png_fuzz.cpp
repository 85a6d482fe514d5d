// PNG reader: any input is decoded or refused; a decoded image survives our writer and
// decodes to the same pixels.
#include <cstdlib>

#include "platform/image/png_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kv::gfx;
  ImageLimits limits;
  limits.max_pixels = 1 << 20;  // keep each run small
  Bitmap image;
  std::string error;
  if (!decode_png({data, size}, image, error, limits)) {
    if (error.empty()) std::abort();
    return 0;
  }
  Bitmap again;
  if (!decode_png(encode_png(image, PngChannels::rgba), again, error, limits) || !(again == image)) std::abort();
  return 0;
}
