#include "panel/skin/skin_classes.h"

#include "document/model/doc_class.h"
#include "panel/skin/anim_bitmap.h"
#include "panel/skin/skin_font_info.h"
#include "panel/skin/skin_info.h"

namespace kv {

void addSkinClasses(ClassTable& table) {
  for (const ArchiveClass* c : {&SkinInfo::kArchiveClass, &SkinFontInfo::kArchiveClass, &CSkinBitmap::kArchiveClass,
                                &CAnimBitmap::kArchiveClass})
    table.add(*c);
}

const ClassTable& documentAndSkinClasses() {
  static const ClassTable table = [] {
    ClassTable t;
    addDocumentModelClasses(t);
    addSkinClasses(t);
    return t;
  }();
  return table;
}

}  // namespace kv
