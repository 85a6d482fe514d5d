#pragma once
// The document korvane-patch reads patches into: the plug-in's document with the readers the
// plug-in attaches (patch_readers.h), so that a patch the tools accept loads in the plug-in
// and a patch they refuse would be refused there too. Embedded skins are read into a skin
// manager of its own that looks in no skin folders.
#include <memory>
#include <vector>

#include "document/korvane_doc_vst.h"
#include "panel/skin/skin_info.h"
#include "panel/skin/skin_manager.h"

namespace kv {

class PatchDocument : public CKorvaneDocVST {
 public:
  PatchDocument();
  ~PatchDocument() override;

  // Reads a whole patch from archive bytes as the plug-in reads its own; answers false with
  // the load's message shown (nothing changed).
  bool load(std::span<const uint8_t> archive);

  // The skins the last load read.
  const std::vector<std::unique_ptr<SkinInfo>>& skinsRead() const { return skins_read_; }

 private:
  std::unique_ptr<SkinManager> skins_;  // made when a patch carries skins
  std::vector<std::unique_ptr<SkinInfo>> skins_read_;
};

}  // namespace kv
