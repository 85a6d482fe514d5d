#include "panel/skin/skin_bitmap.h"

#include "document/archive/archive.h"
#include "platform/image/bmp_codec.h"
#include "platform/image/image_limits.h"
#include "platform/image/png_codec.h"
#include "platform/image/skin_transparency.h"
#include "platform/message_service.h"

namespace kv {

const ArchiveClass CSkinBitmap::kArchiveClass{"CSkinBitmap", 1, nullptr, &createArchivable<CSkinBitmap>};

namespace {

// Raw pixels of old streams, each 0xTTRRGGBB little-endian.
bool rawPixels(const std::vector<uint8_t>& bytes, int32_t w, int32_t h, gfx::Bitmap& out) {
  gfx::ImageLimits limits;
  if (w <= 0 || h <= 0 || w > limits.max_side || h > limits.max_side) return false;
  if (int64_t(w) * h > limits.max_pixels || uint64_t(w) * uint64_t(h) * 4 != bytes.size()) return false;
  gfx::Bitmap b(w, h);
  uint32_t* p = b.data();
  for (size_t i = 0; i < bytes.size(); i += 4)
    *p++ = uint32_t(bytes[i]) | uint32_t(bytes[i + 1]) << 8 | uint32_t(bytes[i + 2]) << 16 | uint32_t(bytes[i + 3]) << 24;
  out = std::move(b);
  return true;
}

void reportDamaged(const std::string& name, const std::string& reason) {
  showMessage("Skin image " + name + " could not be read (" + reason + ") and is left out.",
              MessageIcon::Exclamation);
}

bool looksLikePng(const std::vector<uint8_t>& b) {
  return b.size() >= 8 && b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G';
}

}  // namespace

void CSkinBitmap::serialize(Archive& ar) {
  if (ar.isLoading()) {
    ArchiveReader& r = ar.reader();
    height_ = r.readI32();
    width_ = r.readI32();
    name_ = r.readText();
    gfx::Bitmap decoded;
    bool ok = false;
    std::string reason;
    if (r.fileVersion() < 94961) {
      int32_t count = r.readI32();
      if (count < 0) r.fail(ArchiveError::kBadFormat, "negative pixel count of skin image " + name_);
      r.readU32();  // unused
      std::vector<uint8_t> raw = r.readBlock(size_t(count) * 4);
      ok = rawPixels(raw, width_, height_, decoded);
      if (!ok) reason = "the pixel count does not match the image size";
    } else {
      int32_t count = r.readI32();
      if (count < 0) r.fail(ArchiveError::kBadFormat, "negative byte count of skin image " + name_);
      std::vector<uint8_t> png = r.readBlock(size_t(count));
      if (count == 0) {
        ok = false;  // an image stored without pixels
      } else {
        ok = gfx::decode_png(png, decoded, reason);
        if (ok) gfx::to_transparency(decoded);
      }
    }
    if (ok) {
      setPixels(std::move(decoded));
    } else {
      setPixels(gfx::Bitmap());
      if (!reason.empty()) reportDamaged(name_, reason);
    }
  } else {
    ArchiveWriter& w = ar.writer();
    w.writeI32(pixels_.height());
    w.writeI32(pixels_.width());
    w.writeText(name_);
    std::vector<uint8_t> png;
    if (!pixels_.empty()) {
      gfx::Bitmap straight = pixels_;
      gfx::to_transparency(straight);
      png = gfx::encode_png(straight, gfx::PngChannels::rgba);
    }
    w.writeI32(int32_t(png.size()));
    w.writeRaw(png);
  }
}

void CSkinBitmap::setPixels(gfx::Bitmap pixels) {
  pixels_ = std::move(pixels);
  width_ = pixels_.width();
  height_ = pixels_.height();
  mask_.reset();
  framework_.reset();
}

const gfx::MaskImage& CSkinBitmap::mask() {
  if (!mask_) {
    mask_ = std::make_unique<gfx::MaskImage>();
    mask_->width = pixels_.width();
    mask_->height = pixels_.height();
    mask_->bytes = gfx::mask_plane(pixels_);
  }
  return *mask_;
}

bool CSkinBitmap::loadFrom(const skin::SkinFiles& files, const std::string& file, int32_t keyX, int32_t keyY,
                           std::string& error) {
  setPixels(gfx::Bitmap());
  std::vector<uint8_t> bytes;
  if (!files.read(file, bytes)) {
    error = "cannot open " + files.pathOf(file);
    return false;
  }
  gfx::Bitmap image;
  if (looksLikePng(bytes)) {
    if (!gfx::decode_png(bytes, image, error)) return false;
  } else {
    if (!gfx::decode_bmp(bytes, image, error)) return false;
    std::vector<uint8_t> maskBytes;
    gfx::Bitmap maskImage;
    std::string maskError;
    if (files.read(skin::withoutExtension(file) + "_mask.bmp", maskBytes) &&
        gfx::decode_bmp(maskBytes, maskImage, maskError)) {
      gfx::apply_mask(image, maskImage);
    } else {
      gfx::apply_key_colour(image, keyX, keyY);
    }
  }
  gfx::to_transparency(image);
  setPixels(std::move(image));
  if (format_ == kMask) mask();
  return true;
}

bool CSkinBitmap::LoadFile(const std::string& path, int32_t keyX, int32_t keyY) {
  size_t slash = path.find_last_of('/');
  std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string error;
  if (loadFrom(skin::DiskSkinFiles(folder), file, keyX, keyY, error)) return false;
  showMessage("Error reading image file: " + error, MessageIcon::Information);
  return true;
}

void CSkinBitmap::draw(gfx::DC& dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
                       gfx::SkinBlend blend) const {
  if (pixels_.empty() || w <= 0 || h <= 0) return;
  gfx::draw_skin_image(dc, {x, y}, pixels_, gfx::Rect::xywh(sx, sy, w, h), blend);
}

void CSkinBitmap::drawTinted(gfx::DC& dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
                             gfx::Colour colour) {
  if (pixels_.empty() || w <= 0 || h <= 0) return;
  gfx::draw_skin_mask(dc, {x, y}, mask(), gfx::Rect::xywh(sx, sy, w, h), colour);
}

const gfx::Bitmap& CSkinBitmap::frameworkBitmap() {
  if (!framework_) framework_ = std::make_unique<gfx::Bitmap>(gfx::framework_bitmap(pixels_));
  return *framework_;
}

}  // namespace kv
