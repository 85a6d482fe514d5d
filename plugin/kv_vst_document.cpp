#include "plugin/kv_vst_document.h"

#include "panel/skin/patch_readers.h"
#include "plugin/chunk_container.h"

namespace kv {

std::unique_ptr<Document> loadKvVstDocument(const std::string& module_path) {
  auto doc = std::make_unique<KvVstDocument>();
  if (!doc->LoadFromModule(module_path) || doc->GetPatchContainer() == nullptr) return nullptr;
  return doc;
}

KvVstDocument::KvVstDocument(std::string skinsRoot, gfx::FontCache* fonts)
    : skinsRoot_(std::move(skinsRoot)), fonts_(fonts) {
  // Each read starts afresh: a load that fails after its skin list leaves nothing behind.
  attachPatchReaders(*this, [this]() -> SkinManager& { return skins(); }, pending_);
  setSkinListWriter([this](ArchiveWriter& w) { skins().WriteSkins(w); });
}

KvVstDocument::~KvVstDocument() = default;

SkinManager& KvVstDocument::skins() {
  if (!skins_) skins_ = std::make_unique<SkinManager>(skinsRoot_, fonts_);
  return *skins_;
}

void KvVstDocument::FinishSkins(bool keep) {
  if (keep && !pending_.empty()) skins().adoptSkins(std::move(pending_));
  pending_.clear();
}

std::vector<uint8_t> KvVstDocument::containerChunk(CContainer* container, bool programOnly) {
  return writeContainerChunk(container, programOnly);
}

bool KvVstDocument::setContainerChunk(CContainer* container, const uint8_t* data, std::size_t length,
                                      bool programOnly) {
  if (!data || length == 0) return false;
  const ContainerChunkResult r = readContainerChunk(container, std::span<const uint8_t>(data, length), programOnly);
  return r == ContainerChunkResult::kApplied || r == ContainerChunkResult::kPartlyApplied;
}

}  // namespace kv
