// KvVstDocument: the plug-in document with the plug-in's chunk format, so that a container's
// bank and program files hold the same chunk the host gets, and with the plug-in's skins:
// the skins a patch embeds are read with it (joining the skin list once the load has
// succeeded) and saved with it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "document/korvane_doc_vst.h"
#include "panel/skin/skin_manager.h"

namespace kv {

class KvVstDocument : public CKorvaneDocVST {
 public:
  // `skinsRoot` and `fonts` as for SkinManager (the skins folder beside the library, and
  // fonts of the manager's own).
  explicit KvVstDocument(std::string skinsRoot = skin::defaultSkinsRoot(), gfx::FontCache* fonts = nullptr);
  ~KvVstDocument() override;

  // The header's id, also for the container's bank and program files.
  int32_t GetUniqueId() override { return static_cast<const CKorvaneDocBase&>(*this).GetUniqueId(); }
  std::vector<uint8_t> containerChunk(CContainer* container, bool programOnly) override;
  bool setContainerChunk(CContainer* container, const uint8_t* data, std::size_t length,
                         bool programOnly) override;

  // Made on first use (a patch without skins never starts the font machinery).
  SkinManager& skins();

 protected:
  void FinishSkins(bool keep) override;

 private:
  std::string skinsRoot_;
  gfx::FontCache* fonts_;
  std::unique_ptr<SkinManager> skins_;
  std::vector<std::unique_ptr<SkinInfo>> pending_;  // read by a load not yet finished
};

// The patch of the plug-in file at `module_path`, read into a KvVstDocument: the loader this
// library gives its CKorvaneAppVST. Null when the load failed (the message has been shown)
// or the document holds no patch container.
std::unique_ptr<Document> loadKvVstDocument(const std::string& module_path);

}  // namespace kv
