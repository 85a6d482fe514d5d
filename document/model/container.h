#pragma once
// CContainer: a module that holds other document objects. The root of a patch is one; a
// container inside it is a sub-patch with its own panel, programs and skin. Signals cross a
// container's boundary through pairs of IO plugs: an outer plug of the container and its
// partner on the container's one IO module.
//
// Children: connections are appended at the end of the list, every other object is put at
// the front (loading appends in stream order, see adoptAtEnd). The container deletes its
// children from the end backwards (connections first).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "document/model/cug.h"

namespace kv {

class CLine2;
class Document;

// CUG_with_patches: a module that carries programs (patch memories): containers and hosted
// plug-ins. It names them, copies them, and saves and loads them as bank ("fxb") and program
// ("fxp") files around the host chunk of its programs.
class CUG_with_patches : public CUG {
  KV_ARCHIVE_CLASS(CUG_with_patches)
 public:
  CUG_with_patches() = default;
  explicit CUG_with_patches(Module_Info* type) : CUG(type) {}

  virtual void afterPresetLoad() {}
  virtual bool usesChunks() { return true; }
  virtual void openPanel() {}
  // Copies the current program onto the programs first..last.
  virtual void copyPrograms(int first, int last) {}
  // File saving and loading of modules without chunks (hosted plug-ins); answers success.
  virtual bool saveProgramFile(bool program, const std::string& fileName) { return false; }
  virtual bool loadProgramFile(bool program, const std::string& fileName) { return false; }
  virtual int32_t getUniqueId() { return 0; }
  virtual int32_t getVersion() { return 0; }
  virtual void setProgramName(const std::string& name) {}
  virtual std::string getProgramName() { return std::string(); }
  virtual int getProgramCount() { return 128; }
  // The host chunk of every program (program false) or of the current one; empty = no data.
  virtual std::vector<uint8_t> getChunk(bool program) { return {}; }
  // Applies a chunk; answers 0 as the host interface does.
  virtual int setChunk(const uint8_t* data, std::size_t length, bool program) { return 0; }

  // Commands: 34909 load bank, 34910 save bank, 34911 load program, 34912 save program
  // (file dialogs ask for the name; none is available without a panel), 32788 the patch
  // copy dialog (panel only).
  void onCommand(int32_t id) override;
  // The file commands with a given file name (no dialog). Answer whether a file was read
  // or written.
  bool saveBank(const std::string& fileName) { return saveFile(false, fileName); }
  bool saveProgram(const std::string& fileName) { return saveFile(true, fileName); }
  bool loadBank(const std::string& fileName) { return loadFile(false, fileName); }
  bool loadProgram(const std::string& fileName) { return loadFile(true, fileName); }

 private:
  bool saveFile(bool program, const std::string& fileName);
  bool loadFile(bool program, const std::string& fileName);
};

enum PatchCommand : int32_t {
  kCmdPatchCopy = 32788,
  kCmdLoadBank = 34909,
  kCmdSaveBank = 34910,
  kCmdLoadProgram = 34911,
  kCmdSaveProgram = 34912,
};

namespace container_text {
inline constexpr const char* kIoOnlyInContainer = "IO Modules only go inside a Container";
inline constexpr const char* kCantCopyIo =
    "Can't Copy (or Cut) an 'IO Module'. Please un-select it and try again";
}  // namespace container_text

class CContainer : public CUG_with_patches {
  KV_ARCHIVE_CLASS(CContainer)
 public:
  static constexpr int kProgramCount = 128;

  CContainer();                           // for readers
  explicit CContainer(Module_Info* type);  // made from a module type: program names filled
  ~CContainer() override;
  // The CUG record, the children (a plain int32 count), the panel and structure settings,
  // skin, program names and the spare lock.
  void serialize(Archive& ar) override;

  // Children.
  const std::vector<CDocOb*>& children() const { return children_; }
  // Sets the parent, puts the object in the list (a line at the end, others at the front)
  // and sends kNotifyChildAdded.
  void adopt(CDocOb* object);
  // The same, always appending (loading keeps the stream order).
  void adoptAtEnd(CDocOb* object);
  // Takes the object out of the list (kNotifyChildGoing); the object is not deleted.
  void release(CDocOb* object);
  // Forgets an object being destroyed without notices (destructor path).
  void forgetChild(CDocOb* object);
  CLine2* makeLine(CPlug2* from, CPlug2* to);

  // The IO module: the first child whose type is an IO module; made ("IO Mod") when missing.
  CUG* findIOModule();
  CUG* existingIOModule() const;
  bool hasPatchSelect() const;
  bool showsControls();
  bool patchHasPrograms();
  int countAudioPlugs(int direction);
  CPlug2* findMidiPlug(int direction);
  // The parameter children (as the parameter walk finds them), ordered by alwaysNotifyHost
  // (false first), then by name (case-sensitive); ties keep the walking order.
  void gatherParameters(std::vector<generic_parameter*>& list);

  // Editing operations.
  // Adds a module of the named type at the position (-1: centre of the visible area plus a
  // small random offset). Answers the new object, or null (refused or unknown type).
  CDocOb* addModule(const std::string& name, int32_t kind, Point position);
  CDocOb* addFile(const std::string& path, int32_t kind, Point position);
  // Refuses (message) when a selected child is an IO module; otherwise answers the selected
  // children in list order. Writing them to the clipboard comes with the archive.
  bool copySelection(std::vector<CDocOb*>* selected);
  // Moves the selected children (not the IO module) into a new "Container", re-routing every
  // connection that crosses the new boundary through a new IO plug pair. Answers the new
  // container, or null when nothing is selected or the engine could not be stopped.
  CContainer* groupSelection();

  // Document.
  Document* getDocument() override;
  void setDocument(Document* document) { document_ = document; }
  Document* ownDocument() const { return document_; }

  // CDocOb / CUG overrides.
  void propagate(intptr_t value) override;
  void afterLoad() override;
  Rect getBounds(int32_t kind) override;
  void setBounds(int32_t kind, const Rect& bounds) override;
  void addViewFlags(int32_t flags) override { view_flags_ |= flags; }
  void clearViewFlags(int32_t mask) override { view_flags_ &= ~mask; }
  int32_t viewFlags() const { return view_flags_; }
  Rect getRect(int32_t kind) override;
  void setRect(int32_t kind, const Rect& rect) override;
  void deselectOthers(bool flag, CDocOb* except) override;
  bool isSelected() override;
  Point getSize(int32_t kind) override;
  void setScroll(int32_t kind, Point p);
  void pushPlugValue(CPlug2* plug) override;
  void clearRuntime() override;
  GenericIterator<generic_parameter>* createParameterIterator() override;
  // Switches to program n when the container shows its controls.
  void onProgramCommand(int program) override;

  // Programs. setProgram(n): nothing when n is current or outside 0..127; otherwise the
  // current program becomes n, "Program" and "Program Name" send 31, every child hears
  // onProgramCommand(n) in child order, and the container sends 28.
  int currentProgram() const { return current_program_; }
  void setProgram(int program);
  void setCurrentProgramQuiet(int program);
  const std::string& programName(int program) const;
  const std::string& getProgramNameAt(int program) const { return programName(program); }
  void setProgramName(int program, const std::string& name);
  void setProgramNameAt(int program, const std::string& name) { setProgramName(program, name); }
  // The patch copy dialog's "Copy ->" with its two fields (programs counted from 1): the
  // current program is copied onto the range, never onto itself. Fields outside 1..128 are
  // refused (nothing happens; answers false).
  bool copyCurrentToRange(int fromField, int toField);

  // CUG_with_patches.
  void copyPrograms(int first, int last) override;
  int32_t getUniqueId() override;
  void setProgramName(const std::string& name) override { setProgramName(current_program_, name); }
  std::string getProgramName() override { return programName(current_program_); }
  std::vector<uint8_t> getChunk(bool program) override;
  int setChunk(const uint8_t* data, std::size_t length, bool program) override;
  std::vector<std::string> programNames() const;
  // Reader access: names beyond 128 are dropped, missing ones become "Patch %d".
  void setProgramNames(const std::vector<std::string>& names);

  // Skin (by name; the skin objects come with the panel).
  const std::string& skinName() const { return skin_name_; }
  void setSkinName(const std::string& name) { skin_name_ = name; }

  bool spareLocked() const { return spare_locked_ != 0; }
  void setSpareLocked(bool locked);
  void setSpareLockedQuiet(bool locked) { spare_locked_ = locked ? 1 : 0; }

  // While the container is the source of a copy it reports itself unselected.
  void setCopySource(bool on) { copy_source_ = on; }

 private:
  void addContainerParameters();
  void insertChild(CDocOb* object, bool atEnd);

  int32_t view_flags_ = 0;
  Document* document_ = nullptr;
  Rect panel_bounds_{30, 30, 530, 330};
  Rect structure_bounds_{0, 0, 500, 400};
  Rect panel_rect_;
  Point panel_scroll_, structure_scroll_;
  std::string skin_name_ = "default";
  std::vector<CDocOb*> children_;
  int32_t current_program_ = 0;
  std::array<std::string, kProgramCount> program_names_;
  uint8_t spare_locked_ = 0;
  bool copy_source_ = false;
};

// The installed skin names offered by a container's "Skin" parameter (the panel fills it).
std::vector<std::string>& installedSkinNames();

}  // namespace kv
