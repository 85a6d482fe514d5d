#pragma once
// GroupLoose and control_group: children at free positions. The natural size reaches the
// largest right and bottom edge of the children (each at its current top-left plus its
// preferred size). Both are transparent to the mouse: only their children are hit.
//
// control_group_auto_size sizes itself to the union of its children and follows its
// container document object: a child object added gets its visual, a child object removed
// loses it. The union's top-left is the group's scroll offset.
#include <functional>
#include <vector>

#include "panel/visual/paint_object.h"

namespace kv {

class GroupLoose : public CPaintObject {
 public:
  explicit GroupLoose(CDocOb* doc = nullptr);
  ~GroupLoose() override;
  VSize GetPreferredSize() override;
  // Applies the rectangle, then gives every child its preferred size at its top-left.
  void SetRect(const VRect& r) override;
  void SetFocus() override;
  // Shifts the children so that the smallest left and top among them become 0.
  void NormaliseChildPositions();

 protected:
  std::vector<CVisualOb*>* childList() override { return &children_; }
  std::vector<CVisualOb*> children_;
};

class control_group : public CPaintObject {
 public:
  explicit control_group(CDocOb* doc = nullptr);
  ~control_group() override;
  VSize GetPreferredSize() override;
  void SetFocus() override;
  void NormaliseChildPositions();

 protected:
  std::vector<CVisualOb*>* childList() override { return &children_; }
  std::vector<CVisualOb*> children_;
};

class control_group_auto_size : public control_group {
 public:
  // Makes the visual of a document object added to the container (none: nothing shown).
  using VisualFactory = std::function<CVisualOb*(CDocOb*)>;

  // `container` is the document object followed (not owned; may be null).
  explicit control_group_auto_size(CDocOb* container = nullptr, VisualFactory factory = {});
  ~control_group_auto_size() override;

  void onNotify(Notifier* from, int32_t code, intptr_t argument) override;
  VPoint GetScrollOffset() override { return origin_; }
  VSize GetPreferredSize() override;
  int32_t GetViewType() override { return kViewPanel; }
  void AddChild(CVisualOb* child, bool atFront) override;
  void RemoveChild(CVisualOb* child) override;
  // Recomputes the size from the children and tells the parent when it changed.
  void Relayout();

 private:
  void watch(CDocOb* doc, bool on);
  Notifier* container_ = nullptr;
  CDocOb* containerDoc_ = nullptr;
  VisualFactory factory_;
  VPoint origin_{};
  std::vector<CDocOb*> watched_;
};

}  // namespace kv
