#include "document/korvane_doc_base.h"

#include "document/clipboard_archive.h"
#include "document/model/line.h"

#include <cctype>
#include <fstream>
#include <iterator>

#include "document/archive/patch_source.h"
#include "document/model/container.h"
#include "document/model/document_load.h"
#include "document/model/view_types.h"
#include "modules/registry/module_registry.h"
#include "platform/message_service.h"

namespace kv {

namespace {

bool endsWithNoCase(const std::string& text, const std::string& suffix) {
  if (text.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i) {
    const auto a = static_cast<unsigned char>(text[text.size() - suffix.size() + i]);
    if (std::tolower(a) != static_cast<unsigned char>(suffix[i])) return false;
  }
  return true;
}

void openViews(CKorvaneDocBase& doc, CContainer* c) {
  for (int32_t kind : {kViewStructure, kViewPanel})
    if (c->viewFlags() & kind) doc.OpenView(c, kind, c->getTitle());
  for (CDocOb* child : c->children())
    if (auto* sub = dynamic_cast<CContainer*>(child)) openViews(doc, sub);
}

}  // namespace

CKorvaneDocBase::CKorvaneDocBase() : classes_(&patchClasses()) {
  header_.program_count = 64;  // a new document offers 64 programs; a stream without the item, 16
}

CKorvaneDocBase::~CKorvaneDocBase() = default;

bool CKorvaneDocBase::OnNewDocument() {
  // Made from the type directly: the outermost container has no IO module (a container made
  // through the registry gets one).
  if (Module_Info* type = GetModuleRegistry().FindModuleInfo("Container")) {
    auto* root = new CContainer(type);
    root->setTitleQuiet("Main");
    setRoot(root);
  }
  SetModifiedFlag(false);
  return true;
}

void CKorvaneDocBase::TakeEmbeddedFiles(EmbeddedFileList& files) {
  if (files.empty()) return;
  if (embedded_files_.empty()) {
    for (auto& f : files) embedded_files_.push_back(std::move(f));
  }
  files.clear();
}

EmbeddedFileList CKorvaneDocBase::releaseEmbeddedFiles() {
  EmbeddedFileList out;
  out.swap(embedded_files_);
  return out;
}

bool CKorvaneDocBase::LoadFromModule(const std::string& module_path) {
  ClearRoot();
  PatchBytes found = findPatchBytes(module_path);
  if (found.origin == PatchBytes::Origin::kNone) {
    showMessage(found.message, MessageIcon::Exclamation);
    return root() != nullptr;
  }
  std::unique_ptr<CContainer> loaded;
  if (ReadHeader(found.bytes, loaded, true)) setRoot(loaded.release());
  return root() != nullptr;
}

bool CKorvaneDocBase::ReadHeader(std::span<const uint8_t> archive, std::unique_ptr<CContainer>& out_root,
                                 bool own_patch) {
  PatchLoad load = readPatch(archive, *classes_, skin_reader_);
  file_version_ = kCurrentFileVersion;
  switch (load.status) {
    case PatchLoad::kNewer:
      FinishSkins(false);
      showMessage(load.message, MessageIcon::Information);
      return false;
    case PatchLoad::kFailed:
      FinishSkins(false);
      showMessage(load.message, MessageIcon::Exclamation);
      return false;
    case PatchLoad::kLoaded:
      break;
  }
  applyHeader(load.header, own_patch);
  TakeEmbeddedFiles(load.files);
  FinishSkins(true);
  finishRoot(load.root.get());
  out_root = std::move(load.root);
  SetModifiedFlag(false);
  return true;
}

bool CKorvaneDocBase::ReadHeaderFromFile(const std::string& path, std::unique_ptr<CContainer>& out_root) {
  if (endsWithNoCase(path, ".so") || endsWithNoCase(path, ".dll")) {
    PatchBytes found = readModulePatch(path);
    if (found.origin == PatchBytes::Origin::kNone) {
      showMessage(found.message, MessageIcon::Exclamation);
      return false;
    }
    return ReadHeader(found.bytes, out_root, false);
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    showMessage("Can't open the patch file " + path, MessageIcon::Exclamation);
    return false;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ReadHeader(bytes, out_root, true);
}

std::vector<CDocOb*> CKorvaneDocBase::insertPatch(CContainer* into, const std::string& path, Point at) {
  std::unique_ptr<CContainer> root;
  if (!into || !ReadHeaderFromFile(path, root) || !root) return {};
  std::vector<CDocOb*> modules;
  for (CDocOb* child : root->children())
    if (!dynamic_cast<CLine2*>(child)) modules.push_back(child);
  if (modules.empty()) return {};
  const std::vector<uint8_t> bytes = storeSelection(root.get(), modules);
  return pasteArchive(into, bytes, at, *classes_);
}

void CKorvaneDocBase::applyHeader(const PatchHeader& read, bool own_patch) {
  PatchHeader& h = header_;
  h.unique_id_text = read.unique_id_text;
  h.header_flag_2 = read.header_flag_2;
  h.header_text_2 = read.header_text_2;
  h.mono_capable = read.mono_capable;
  h.plugin_flags = read.plugin_flags;
  h.program_count = read.program_count;
  if (read.has(kItemEditorSize)) h.editor_size = read.editor_size;
  if (read.has(kItemHeaderText3)) h.header_text_3 = read.header_text_3;
  if (read.has(kItemHeaderText4)) h.header_text_4 = read.header_text_4;
  if (read.has(kItemProductText)) h.product_text = read.product_text;
  if (read.has(kItemSkins)) h.skins_embedded = read.skins_embedded;
  if (!own_patch) {
    h.doc_title = read.doc_title;
    h.header_flag = read.header_flag;
    h.header_text_1 = read.header_text_1;
    h.option_byte = read.option_byte;
  }
}

void CKorvaneDocBase::finishRoot(CContainer* root) {
  root->setDocument(this);
  root->afterLoad();
}

CContainer* CKorvaneDocBase::GetPatchContainer() const {
  CContainer* r = root();
  if (!r) return nullptr;
  for (CDocOb* child : r->children())
    if (auto* c = dynamic_cast<CContainer*>(child)) return c;
  return nullptr;
}

int32_t CKorvaneDocBase::UniqueIdOf(const std::string& text) {
  const std::string padded = text + "    ";
  int64_t id = 0;
  for (int i = 0; i < 4; ++i) id = id * 256 + static_cast<signed char>(padded[static_cast<size_t>(i)]);
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(id)));
}

int32_t CKorvaneDocBase::GetUniqueId() const { return UniqueIdOf(header_.unique_id_text); }

void CKorvaneDocBase::SaveRoot(std::vector<uint8_t>& file) const {
  file = storeObjectSlot(root());
}

bool CKorvaneDocBase::RestoreRoot(std::span<const uint8_t> file) {
  if (!root()) return false;
  ContainerLoad load = loadRootSlot(file, kCurrentFileVersion, *classes_);
  if (!load.container) {
    showMessage(load.message, MessageIcon::Exclamation);
    return false;
  }
  CContainer* fresh = load.container.release();
  fresh->setDocument(this);
  openViews(*this, fresh);
  setRoot(fresh);  // deletes the old root
  return true;
}

std::vector<uint8_t> CKorvaneDocBase::SavePatch() const {
  return writePatch(header_, embedded_files_, root(), skin_writer_);
}

}  // namespace kv
