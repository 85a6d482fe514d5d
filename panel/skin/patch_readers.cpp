#include "panel/skin/patch_readers.h"

#include "document/korvane_doc_base.h"
#include "panel/skin/skin_classes.h"
#include "panel/skin/skin_manager.h"

namespace kv {

const ClassTable& patchAndSkinClasses() {
  static const ClassTable table = [] {
    ClassTable t;
    addPatchClasses(t);
    addSkinClasses(t);
    return t;
  }();
  return table;
}

SkinListReader patchSkinListReader(SkinManagerSource manager, std::vector<std::unique_ptr<SkinInfo>>& read) {
  return [manager = std::move(manager), &read](ArchiveReader& r) { read = manager().ReadSkins(r); };
}

void attachPatchReaders(CKorvaneDocBase& doc, SkinManagerSource manager,
                        std::vector<std::unique_ptr<SkinInfo>>& read) {
  doc.setClassTable(patchAndSkinClasses());
  doc.setSkinListReader(patchSkinListReader(std::move(manager), read));
}

}  // namespace kv
