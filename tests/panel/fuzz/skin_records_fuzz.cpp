// A patch's skin list from arbitrary bytes: the first byte picks the file version (raw
// pixels, PNG without padding, PNG with padding); the rest is the stream. Every skin read
// has its frames drawn into a small surface.
#include <cstddef>
#include <cstdint>

#include "document/archive/archive_error.h"
#include "panel/skin/skin_classes.h"
#include "panel/skin/skin_manager.h"
#include "platform/gfx/dc.h"
#include "platform/message_service.h"
#include "platform/text/font_cache.h"

namespace {
// The skin list holds only skin records.
const kv::ClassTable& table() {
  static const kv::ClassTable t = [] {
    kv::ClassTable c;
    kv::addSkinClasses(c);
    return c;
  }();
  return t;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static kv::MessageService quiet;
  static bool once = (quiet.setLogToStderr(false), true);
  (void)once;
  kv::MessageServiceScope scope(quiet);
  quiet.clearShown();
  static const int32_t versions[] = {94000, 95000, kv::kCurrentFileVersion};
  kv::LoadContext ctx;
  ctx.file_version = versions[data[0] % 3];
  static kv::gfx::FontCache fonts;  // made once: fontconfig is slow to start
  kv::SkinManager manager("", &fonts);
  try {
    kv::ArchiveReader r({data + 1, size - 1}, table(), ctx);
    auto skins = manager.ReadSkins(r);
    r.commit();
    manager.adoptSkins(std::move(skins));
  } catch (const kv::ArchiveError&) {
    return 0;
  }
  kv::gfx::Bitmap surface(64, 64);
  kv::gfx::DC dc(surface);
  for (const std::string& name : manager.skinNames()) {
    kv::SkinInfo* s = manager.FindSkin(name);
    if (!s->embedded()) continue;
    for (const kv::SkinImageRef& img : s->images()) {
      for (int32_t f : {-1, 0, 1, img->lastFrame(), img->lastFrame() + 1}) img->drawFrame(dc, -3, 5, f);
      img->drawFrameTinted(dc, 2, 2, 0, {1, 2, 3});
    }
  }
  return 0;
}
