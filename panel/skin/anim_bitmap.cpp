#include "panel/skin/anim_bitmap.h"

#include <algorithm>
#include <cmath>

#include "document/archive/archive.h"

namespace kv {

const ArchiveClass CAnimBitmap::kArchiveClass{"CAnimBitmap", 1, nullptr,
                                              &createArchivable<CAnimBitmap>};

void CAnimBitmap::serialize(Archive& ar) {
  CSkinBitmap::serialize(ar);
  skin::ImageDescription& d = desc_;
  ar.i32(d.segmentCount);
  ar.i32(d.response);
  ar.i32(d.handleRangeEnd);  // the end is stored before the start
  ar.i32(d.handleRangeStart);
  ar.i32(d.handleRect.left);
  ar.i32(d.handleRect.top);
  ar.i32(d.handleRect.right);
  ar.i32(d.handleRect.bottom);
  ar.i32(d.frameWidth);
  ar.i32(d.frameHeight);
  ar.i32(d.lastFrame);
  ar.i32(d.kind);
  if (ar.fileVersion() >= 95061) {
    ar.i32(d.padLeft);
    ar.i32(d.padRight);
    ar.i32(d.padTop);
    ar.i32(d.padBottom);
  }
  if (ar.isLoading()) {
    // Stored frames the pixels cannot have are drawn as the pixels allow: the source is
    // clipped to the image anyway; keep the index arithmetic sane.
    d.frameSizeGiven = true;
    if (d.lastFrame < 0) d.lastFrame = 0;
  }
}

bool CAnimBitmap::loadWithDescription(const skin::SkinFiles& files, const std::string& file, std::string& error) {
  std::vector<uint8_t> text;
  if (files.read(skin::withoutExtension(file) + ".txt", text))
    skin::parseImageDescription(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), desc_);
  if (!loadFrom(files, file, desc_.keyX, desc_.keyY, error)) return false;
  skin::computeFrames(desc_, width_, height_);
  return true;
}

int32_t CAnimBitmap::frameForValue(double value) const {
  int32_t last = std::max(desc_.lastFrame, 0);
  if (!(value > 0)) return 0;  // also NaN
  double f = std::floor(value * (double(last) + 1));
  return f >= last ? last : int32_t(f);
}

void CAnimBitmap::drawFrame(gfx::DC& dc, int32_t x, int32_t y, int32_t frame, gfx::SkinBlend blend) const {
  if (desc_.frameWidth <= 0 || desc_.frameHeight <= 0) return;
  frame = std::clamp(frame, 0, std::max(desc_.lastFrame, 0));
  int32_t top = gfx::sat32(int64_t(frame) * desc_.frameHeight);
  draw(dc, gfx::sat32(int64_t(x) + desc_.padLeft), gfx::sat32(int64_t(y) + desc_.padTop), desc_.frameWidth,
       desc_.frameHeight, 0, top, blend);
}

void CAnimBitmap::drawFrameTinted(gfx::DC& dc, int32_t x, int32_t y, int32_t frame, gfx::Colour colour) {
  if (desc_.frameWidth <= 0 || desc_.frameHeight <= 0) return;
  frame = std::clamp(frame, 0, std::max(desc_.lastFrame, 0));
  int32_t top = gfx::sat32(int64_t(frame) * desc_.frameHeight);
  drawTinted(dc, gfx::sat32(int64_t(x) + desc_.padLeft), gfx::sat32(int64_t(y) + desc_.padTop), desc_.frameWidth,
             desc_.frameHeight, 0, top, colour);
}

}  // namespace kv
