#pragma once
// CGroup: children laid out in a grid of rows and columns.
//
// Each column is as wide as its widest item and each row as tall as its tallest, with a gap
// after every column and row (the last ones included). A group given more room than that
// adds the surplus to its stretch column (the column of the last item flagged
// kStretchWidth) and stretch row (the row of the last item flagged kStretchHeight); given
// less, it keeps its natural size. Items flagged kStretchWidth fill their column, items
// flagged kCentreInCell are centred in it; items not flagged kStretchHeight are centred
// vertically in their row, the others fill it.
#include <vector>

#include "panel/visual/paint_object.h"

namespace kv {

struct group_item {
  CVisualOb* child = nullptr;
  int32_t row = 0;
  int32_t column = 0;
};

class CGroup : public CPaintObject {
 public:
  explicit CGroup(CDocOb* doc = nullptr);
  ~CGroup() override;

  void AddToCell(CVisualOb* child, int32_t row, int32_t column);
  void RemoveChild(CVisualOb* child) override;
  it_visual_ob* CreateChildIterator() override;
  VSize GetPreferredSize() override;
  void SetRect(const VRect& r) override;
  void DrawBackground(gfx::DC& dc) override;
  void SetFocus() override;

  int32_t rowGap = 4;
  int32_t columnGap = 2;
  bool drawRowLines = false;
  bool drawColumnLines = false;

  const std::vector<int32_t>& columnWidths() const { return columns_; }
  const std::vector<int32_t>& rowHeights() const { return rows_; }
  const std::vector<group_item>& items() const { return items_; }

 protected:
  std::vector<CVisualOb*>* childList() override { return &children_; }

 private:
  // Rebuilds the column and row arrays; notes the stretch column and row.
  void measure(int32_t* stretchColumn, int32_t* stretchRow);
  void placeItems();

  std::vector<CVisualOb*> children_;
  int32_t highestRow_ = -1;
  std::vector<group_item> items_;
  std::vector<int32_t> columns_;
  std::vector<int32_t> rows_;
};

}  // namespace kv
