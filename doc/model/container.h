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
#include <cstdint>
#include <string>
#include <vector>

#include "doc/model/cug.h"

namespace kv {

class CLine2;
class Document;

// The patch memories part of a container (program switching comes with the patch memories).
class CUG_with_patches : public CUG {
  KV_DECLARE_DOC_CLASS(CUG_with_patches)
 public:
  CUG_with_patches() = default;
  explicit CUG_with_patches(Module_Info* type) : CUG(type) {}
};

namespace container_text {
inline constexpr const char* kIoOnlyInContainer = "IO Modules only go inside a Container";
inline constexpr const char* kCantCopyIo =
    "Can't Copy (or Cut) an 'IO Module'. Please un-select it and try again";
}  // namespace container_text

class CContainer : public CUG_with_patches {
  KV_DECLARE_DOC_CLASS(CContainer)
 public:
  static constexpr int kProgramCount = 128;

  CContainer();                           // for readers
  explicit CContainer(Module_Info* type);  // made from a module type: program names filled
  ~CContainer() override;

  // Children.
  const std::vector<CDocOb*>& children() const { return children_; }
  // Sets the parent, puts the object in the list (a line at the end, others at the front)
  // and sends code 17.
  void adopt(CDocOb* object);
  // The same, always appending (loading keeps the stream order).
  void adoptAtEnd(CDocOb* object);
  // Takes the object out of the list (code 16); the object is not deleted.
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
  // Switches to program n when the container shows its controls (switching itself comes with
  // the patch memories).
  virtual void onProgramCommand(int program);

  // Programs (names as the container stores them).
  int currentProgram() const { return current_program_; }
  void setCurrentProgramQuiet(int program);
  const std::string& programName(int program) const;
  void setProgramName(int program, const std::string& name);
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
