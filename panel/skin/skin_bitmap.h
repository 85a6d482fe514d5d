#pragma once
// CSkinBitmap: one skin image, decoded into pixels the panel draws straight into its back
// buffer, and its archive record.
//
// Pixels are 0xTTRRGGBB, rows top to bottom: T is the transparency (0 opaque, 255 invisible).
// An image asked for in mask format additionally keeps one byte per pixel,
// ((r + g + b) / 3) XOR 255, and is drawn in a colour (tinting).
//
// Where transparency comes from: a PNG carries its own (T = 255 - alpha); a BMP takes it
// from "<name>_mask.bmp" beside it (red of the mask = T), else from a key colour (every
// pixel of the colour found at the given point becomes invisible), else it is opaque.
//
// Archive record: height, width, name, then the pixels. Streams before 94961 store a pixel
// count, an unused word and the raw pixels; later ones a byte count and a PNG stream. A count
// that is negative or runs past the end of the stream fails the load; an image that cannot
// be decoded (or whose raw pixel count does not fit its size) is left empty with a message,
// and the rest of the patch loads.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/model/doc_class.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/dc.h"
#include "platform/gfx/skin_blend.h"
#include "panel/skin/skin_files.h"

namespace kv {

class CSkinBitmap : public CObject {
  KV_ARCHIVE_CLASS(CSkinBitmap)
 public:
  enum Format : int32_t { kColour = 0, kMask = 1 };

  CSkinBitmap() = default;
  CSkinBitmap(std::string name, Format format) : format_(format), name_(std::move(name)) {}

  void serialize(Archive& ar) override;

  const std::string& name() const { return name_; }
  Format format() const { return format_; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  bool hasPixels() const { return !pixels_.empty(); }
  const gfx::Bitmap& pixels() const { return pixels_; }   // 0xTTRRGGBB
  const gfx::MaskImage& mask();                           // built on first use
  // Takes decoded skin pixels (0xTTRRGGBB) as the image.
  void setPixels(gfx::Bitmap pixels);

  // Decodes `file` (with its mask file for BMPs) from `files`; true on success. On failure
  // the image keeps no pixels and `error` says why.
  bool loadFrom(const skin::SkinFiles& files, const std::string& file, int32_t keyX, int32_t keyY,
                std::string& error);
  // Loads an image file from disk. As the rest of the skin code expects: false on success.
  bool LoadFile(const std::string& path, int32_t keyX, int32_t keyY);

  // Draws w x h pixels of the image from (sx, sy) at (x, y) of the DC, skipping invisible
  // pixels and blending the rest; clipped to the DC and to the image.
  void draw(gfx::DC& dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
            gfx::SkinBlend blend = gfx::SkinBlend::plain) const;
  // The same through the mask bytes, in `colour` (a tinted image).
  void drawTinted(gfx::DC& dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
                  gfx::Colour colour);
  // For ordinary block transfers: every pixel that is not opaque turned black.
  const gfx::Bitmap& frameworkBitmap();

 protected:
  int32_t height_ = 0;
  int32_t width_ = 0;
  Format format_ = kColour;
  gfx::Bitmap pixels_;
  std::string name_;

 private:
  std::unique_ptr<gfx::MaskImage> mask_;
  std::unique_ptr<gfx::Bitmap> framework_;
};

}  // namespace kv
