#include "tools/patch/patch_document.h"

#include "document/model/container.h"
#include "panel/skin/patch_readers.h"

namespace kv {

PatchDocument::PatchDocument() {
  attachPatchReaders(
      *this,
      [this]() -> SkinManager& {
        if (!skins_) skins_ = std::make_unique<SkinManager>("");
        return *skins_;
      },
      skins_read_);
}

PatchDocument::~PatchDocument() = default;

bool PatchDocument::load(std::span<const uint8_t> archive) {
  std::unique_ptr<CContainer> root;
  if (!ReadHeader(archive, root, true)) return false;
  setRoot(root.release());
  return true;
}

}  // namespace kv
