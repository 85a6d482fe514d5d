// BMP reader: any input is decoded or refused; a decoded image survives our writer and
// decodes to the same pixels.
#include <cstdlib>

#include "platform/image/bmp_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kv::gfx;
  ImageLimits limits;
  limits.max_pixels = 1 << 20;
  Bitmap image;
  std::string error;
  if (!decode_bmp({data, size}, image, error, limits)) {
    if (error.empty()) std::abort();
    return 0;
  }
  Bitmap again;
  if (!decode_bmp(encode_bmp(image, {24}), again, error, limits) || !(again == image)) std::abort();
  return 0;
}
