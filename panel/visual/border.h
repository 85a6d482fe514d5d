#pragma once
// CBorder: one child inside a 1-pixel frame (3 pixels with kThickBorder). The frame is
// drawn in every view but the panel view, where only its room is kept.
#include <vector>

#include "panel/visual/paint_object.h"

namespace kv {

class CBorder : public CPaintObject {
 public:
  explicit CBorder(CDocOb* doc = nullptr) : CPaintObject(doc) {}
  ~CBorder() override;

  int32_t frameWidth() const { return hasFlag(vf::kThickBorder) ? 3 : 1; }
  CVisualOb* child() const { return child_.empty() ? nullptr : child_.front(); }

  // A border holds one child: adding another replaces it.
  void AddChild(CVisualOb* child, bool atFront) override;
  VSize GetPreferredSize() override;
  void SetRect(const VRect& r) override;
  void DrawBackground(gfx::DC& dc) override;

 protected:
  std::vector<CVisualOb*>* childList() override { return &child_; }

 private:
  std::vector<CVisualOb*> child_;
};

}  // namespace kv
