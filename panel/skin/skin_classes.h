#pragma once
// The archive classes of skins (SkinInfo, SkinFontInfo, CSkinBitmap, CAnimBitmap), for the
// class table a patch reader uses: the skin list sits in the patch header.
#include "document/archive/class_table.h"

namespace kv {

void addSkinClasses(ClassTable& table);
// The document model's classes together with the skin records; built once, then only read.
const ClassTable& documentAndSkinClasses();

}  // namespace kv
