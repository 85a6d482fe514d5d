#pragma once
// How a patch is read, wherever it is read. The plug-in's document, korvane-patch and the
// text form all attach the readers from here, so that no tool accepts or refuses a patch
// differently from the plug-in.
//
// A patch holds the document model's classes and its embedded files, and its header may
// carry the skins the patch embeds. Those are read by a skin manager into new skins, which
// the reader's owner keeps once the load has succeeded.
#include <functional>
#include <memory>
#include <vector>

#include "document/archive/class_table.h"
#include "document/patch_header.h"
#include "panel/skin/skin_info.h"

namespace kv {

class CKorvaneDocBase;
class SkinManager;

// The archive classes of a patch together with the skin records; built once, then only read.
const ClassTable& patchAndSkinClasses();

// The manager that reads a patch's skins; asked for only when a patch carries some.
using SkinManagerSource = std::function<SkinManager&()>;

// Reads a patch's skin list with the manager `manager` answers into `read` (replacing what
// it held).
SkinListReader patchSkinListReader(SkinManagerSource manager, std::vector<std::unique_ptr<SkinInfo>>& read);

// Gives a document the class table and the skin-list reader above.
void attachPatchReaders(CKorvaneDocBase& doc, SkinManagerSource manager,
                        std::vector<std::unique_ptr<SkinInfo>>& read);

}  // namespace kv
