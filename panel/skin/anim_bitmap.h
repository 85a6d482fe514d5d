#pragma once
// CAnimBitmap: a skin image with its description (frames, padding, handle, control kind)
// and a reference count: the skin's image cache holds one reference, every control that
// shows the image another, and the image goes when the last one is released.
//
// Frames are stacked vertically: frame n covers rows n * frame height to (n + 1) * frame
// height - 1. The outer frame (what a control occupies) adds the padding around the frame;
// the image lies at (padding left, padding top) inside it.
#include <atomic>
#include <cstdint>
#include <string>
#include <utility>

#include "panel/skin/image_description.h"
#include "panel/skin/skin_bitmap.h"

namespace kv {

class CAnimBitmap : public CSkinBitmap {
  KV_ARCHIVE_CLASS(CAnimBitmap)
 public:
  CAnimBitmap() = default;
  CAnimBitmap(std::string name, Format format) : CSkinBitmap(std::move(name), format) {}

  void serialize(Archive& ar) override;

  // Reads "<name>.txt" (when present) and the image from `files`, then lays out the frames.
  bool loadWithDescription(const skin::SkinFiles& files, const std::string& file, std::string& error);

  skin::ImageDescription& description() { return desc_; }
  const skin::ImageDescription& description() const { return desc_; }
  int32_t kind() const { return desc_.kind; }
  int32_t lastFrame() const { return desc_.lastFrame; }
  int32_t frameCount() const { return desc_.lastFrame + 1; }
  int32_t frameWidth() const { return desc_.frameWidth; }
  int32_t frameHeight() const { return desc_.frameHeight; }
  int32_t outerWidth() const {
    return gfx::sat32(int64_t(desc_.frameWidth) + desc_.padLeft + desc_.padRight);
  }
  int32_t outerHeight() const {
    return gfx::sat32(int64_t(desc_.frameHeight) + desc_.padTop + desc_.padBottom);
  }
  // The frame for a value from 0 to 1: value x frame count, truncated, kept to the frames.
  int32_t frameForValue(double value) const;
  // Draws frame n (clamped to the frames) with the outer frame's top-left at (x, y).
  void drawFrame(gfx::DC& dc, int32_t x, int32_t y, int32_t frame,
                 gfx::SkinBlend blend = gfx::SkinBlend::plain) const;
  void drawFrameTinted(gfx::DC& dc, int32_t x, int32_t y, int32_t frame, gfx::Colour colour);

  // Reference counting.
  void addRef() { ++refs_; }
  void release() {
    if (--refs_ == 0) delete this;
  }
  int32_t refCount() const { return refs_; }

 private:
  skin::ImageDescription desc_;
  int32_t refs_ = 0;
};

// A counted reference to a CAnimBitmap (like a smart pointer).
class SkinImageRef {
 public:
  SkinImageRef() = default;
  explicit SkinImageRef(CAnimBitmap* p) : p_(p) {
    if (p_) p_->addRef();
  }
  SkinImageRef(const SkinImageRef& o) : SkinImageRef(o.p_) {}
  SkinImageRef(SkinImageRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  SkinImageRef& operator=(SkinImageRef o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~SkinImageRef() {
    if (p_) p_->release();
  }
  void reset() { SkinImageRef().swap(*this); }
  void swap(SkinImageRef& o) noexcept { std::swap(p_, o.p_); }
  CAnimBitmap* get() const { return p_; }
  CAnimBitmap* operator->() const { return p_; }
  CAnimBitmap& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  CAnimBitmap* p_ = nullptr;
};

}  // namespace kv
