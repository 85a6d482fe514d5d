#pragma once
// CKorvaneDocBase: the plug-in's document. It holds the root container of the patch and the
// values of the patch header, and loads the patch: from the plug-in's own file (the section
// ".kv1.165", stored scrambled), from the ".dat" file beside it, from another built plug-in
// file, or from bytes in memory.
//
// A load reads everything into new objects first and changes the document only when the
// whole patch was read and checked. A failed or refused load shows one message and leaves
// the header values, the embedded files and any root the caller holds as they were.
//
// The header values of the plug-in's own patch: items 9, 11, 12 and 14 are always taken
// (absent items give their defaults), items 13, 15, 16, 18 and 19 only when the stream holds
// them, and the title, header flag, option byte and header text 1 only when the patch comes
// from another plug-in file (they then take their defaults when absent).
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "document/embedded_file.h"
#include "document/model/document.h"
#include "document/patch_header.h"

namespace kv {

class CContainer;

class CKorvaneDocBase : public Document {
 public:
  CKorvaneDocBase();
  ~CKorvaneDocBase() override;

  // A new root: a "Container" titled "Main" belonging to this document. Answers true.
  virtual bool OnNewDocument();
  // Base: nothing (answers false). The plug-in's document deletes the root.
  virtual bool ClearRoot() { return false; }
  virtual void SetModifiedFlag(bool modified) { setModified(modified); }
  // Called by RestoreRoot for every container whose view flags show an open view.
  virtual void OpenView(CContainer* /*container*/, int32_t /*view_kind*/, const std::string& /*title*/) {}
  // The embedded files of a patch just read (the list is emptied). The document keeps them
  // when it holds none yet; when it does (a merged patch), the new ones are dropped. The
  // application takes them from here (releaseEmbeddedFiles) or overrides this.
  virtual void TakeEmbeddedFiles(EmbeddedFileList& files);
  // A load has ended: what the skin list reader read for it is kept when it succeeded and
  // dropped otherwise.
  virtual void FinishSkins(bool /*keep*/) {}

  // Loads the patch of the plug-in file at `module_path`: its section, else the ".dat" beside
  // it, else the message "<title>: Can't find plugin data file. (<path>)". Answers whether a
  // root exists afterwards.
  bool LoadFromModule(const std::string& module_path);

  // Reads a whole patch (header and root) from archive bytes into `out_root` (a new root that
  // belongs to this document and has finished loading). `own_patch`: the plug-in's own patch
  // or a merged patch file, else a patch taken from another plug-in file. Answers false with
  // one message (newer version: information icon; anything else: exclamation) and nothing
  // changed.
  bool ReadHeader(std::span<const uint8_t> archive, std::unique_ptr<CContainer>& out_root,
                  bool own_patch);
  // The same for a patch file: a built plug-in file (".so", or ".dll" as stored) gives its
  // section, read without loading it, as another module's patch; any other file is read as a
  // plain archive with `own_patch` set.
  bool ReadHeaderFromFile(const std::string& path, std::unique_ptr<CContainer>& out_root);
  // A patch file (or another built plug-in) merged into a container: the modules of its root
  // and the connections among them go in through the paste path, with its checks.
  std::vector<CDocOb*> insertPatch(CContainer* into, const std::string& path, Point at) override;

  // The first child container of the root (the plug-in's patch), or null.
  CContainer* GetPatchContainer() const;
  // unique_id_text padded with blanks, first four characters packed big-end first, each as a
  // signed byte ("abcd" -> 0x61626364, "" -> 0x20202020); wraps to 32 bits.
  int32_t GetUniqueId() const;
  static int32_t UniqueIdOf(const std::string& text);

  // Undo snapshots: the root as one object slot; RestoreRoot reads such a slot into a new
  // tree and swaps it in only when the whole read succeeded (false and a message otherwise).
  void SaveRoot(std::vector<uint8_t>& file) const;
  bool RestoreRoot(std::span<const uint8_t> file);

  // The whole patch as bytes (header and root), as a ".dat" file holds it.
  std::vector<uint8_t> SavePatch() const;

  const std::string& GetDocTitle() const { return header_.doc_title; }

  // The header values as the document holds them (see the top of this file).
  const PatchHeader& header() const { return header_; }
  PatchHeader& header() { return header_; }
  const std::string& unique_id_text() const { return header_.unique_id_text; }
  bool mono_capable() const { return header_.mono_capable; }
  const std::string& product_text() const { return header_.product_text; }
  int32_t plugin_flags() const { return header_.plugin_flags; }
  int32_t program_count() const { return header_.program_count; }
  EditorSize editor_size() const { return header_.editor_size; }
  int32_t skins_embedded() const { return header_.skins_embedded; }
  // The option byte of the last patch taken from another plug-in file (0 otherwise).
  uint8_t option_byte() const { return header_.option_byte; }
  // 95081 outside a load.
  int32_t file_version() const { return file_version_; }

  // The embedded files the document keeps.
  const EmbeddedFileList& embeddedFiles() const { return embedded_files_; }
  EmbeddedFileList releaseEmbeddedFiles();

  // The classes a patch may hold (default: patchClasses()); the table must outlive the
  // document. The skin list reader reads item 19's list (default: none).
  void setClassTable(const ClassTable& classes) { classes_ = &classes; }
  const ClassTable& classTable() const { return *classes_; }
  void setSkinListReader(SkinListReader reader) { skin_reader_ = std::move(reader); }
  // Writes the skin list when the patch is saved with skins_embedded set (default: none, and
  // the patch is saved without skins).
  void setSkinListWriter(SkinListWriter writer) { skin_writer_ = std::move(writer); }

 protected:
  // Makes `root` this document's and lets it finish loading.
  void finishRoot(CContainer* root);

 private:
  void applyHeader(const PatchHeader& read, bool own_patch);

  PatchHeader header_;
  int32_t file_version_ = kCurrentFileVersion;
  EmbeddedFileList embedded_files_;
  const ClassTable* classes_;
  SkinListReader skin_reader_;
  SkinListWriter skin_writer_;
};

}  // namespace kv
