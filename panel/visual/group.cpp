#include "panel/visual/group.h"

#include <algorithm>

#include "panel/visual/visual_iterators.h"
#include "platform/window/events.h"

namespace kv {

namespace {
// Cell indices beyond this are refused: a grid that large is no layout anyone draws.
constexpr int32_t kMaxCellIndex = 4095;
}  // namespace

CGroup::CGroup(CDocOb* doc) : CPaintObject(doc) { setFlags(vf::kAutoSize | vf::kTransparent); }

CGroup::~CGroup() {
  if (isOpen()) CPaintObject::Close();
}

void CGroup::AddToCell(CVisualOb* child, int32_t row, int32_t column) {
  if (!child || row < 0 || column < 0 || row > kMaxCellIndex || column > kMaxCellIndex) return;
  AddChild(child, false);
  if (child->parent() != this) return;
  child->clearFlags(vf::kDetachOnDestroy);
  items_.push_back({child, row, column});
  highestRow_ = std::max(highestRow_, row);
}

void CGroup::RemoveChild(CVisualOb* child) {
  items_.erase(std::remove_if(items_.begin(), items_.end(), [child](const group_item& i) { return i.child == child; }),
               items_.end());
  CPaintObject::RemoveChild(child);
}

it_visual_ob* CGroup::CreateChildIterator() { return new it_visual_ob_group(this, &children_); }

void CGroup::measure(int32_t* stretchColumn, int32_t* stretchRow) {
  int32_t ncol = 0, nrow = 0;
  for (const group_item& i : items_) {
    ncol = std::max(ncol, i.column + 1);
    nrow = std::max(nrow, i.row + 1);
  }
  columns_.assign(size_t(ncol), 0);
  rows_.assign(size_t(nrow), 0);
  if (stretchColumn) *stretchColumn = -1;
  if (stretchRow) *stretchRow = -1;
  for (const group_item& i : items_) {
    VSize s = i.child->GetPreferredSize();
    columns_[size_t(i.column)] = std::max(columns_[size_t(i.column)], s.cx);
    rows_[size_t(i.row)] = std::max(rows_[size_t(i.row)], s.cy);
    if (stretchColumn && i.child->hasFlag(vf::kStretchWidth)) *stretchColumn = i.column;
    if (stretchRow && i.child->hasFlag(vf::kStretchHeight)) *stretchRow = i.row;
  }
}

VSize CGroup::GetPreferredSize() {
  measure(nullptr, nullptr);
  int64_t w = 0, h = 0;
  for (int32_t c : columns_) w += int64_t(c) + columnGap;
  for (int32_t r : rows_) h += int64_t(r) + rowGap;
  return {gfx::sat32(w), gfx::sat32(h)};
}

void CGroup::SetRect(const VRect& r) {
  VRect now = GetRect();
  if (r.width() == now.width() && r.height() == now.height()) {
    CPaintObject::SetRect(r);
    return;
  }
  int32_t stretchColumn, stretchRow;
  measure(&stretchColumn, &stretchRow);
  int64_t w = 0, h = 0;
  for (int32_t c : columns_) w += int64_t(c) + columnGap;
  for (int32_t x : rows_) h += int64_t(x) + rowGap;
  VRect g = r;
  if (r.width() < w) g.right = gfx::sat32(int64_t(g.left) + w);
  else if (stretchColumn >= 0) columns_[size_t(stretchColumn)] = gfx::sat32(columns_[size_t(stretchColumn)] + (r.width() - w));
  if (r.height() < h) g.bottom = gfx::sat32(int64_t(g.top) + h);
  else if (stretchRow >= 0) rows_[size_t(stretchRow)] = gfx::sat32(rows_[size_t(stretchRow)] + (r.height() - h));
  CPaintObject::SetRect(g);
  placeItems();
}

void CGroup::placeItems() {
  std::vector<group_item> items = items_;  // children may change the list while moving
  for (const group_item& i : items) {
    if (size_t(i.column) >= columns_.size() || size_t(i.row) >= rows_.size()) continue;
    VSize s = i.child->GetPreferredSize();
    int32_t colw = columns_[size_t(i.column)], rowh = rows_[size_t(i.row)];
    int64_t x = 0, y = 0;
    for (int32_t c = 0; c < i.column; ++c) x += int64_t(columns_[size_t(c)]) + columnGap;
    for (int32_t c = 0; c < i.row; ++c) y += int64_t(rows_[size_t(c)]) + rowGap;
    int32_t w = i.child->hasFlag(vf::kStretchWidth) ? colw : s.cx;
    int32_t h = i.child->hasFlag(vf::kStretchHeight) ? rowh : s.cy;
    if (i.child->hasFlag(vf::kCentreInCell)) x += (int64_t(colw) - w) / 2;
    if (!i.child->hasFlag(vf::kStretchHeight)) y += (int64_t(rowh) - h) / 2;
    i.child->SetRect(VRect::xywh(gfx::sat32(x), gfx::sat32(y), w, h));
  }
}

void CGroup::DrawBackground(gfx::DC& dc) {
  VRect r = GetClientRect();
  const gfx::Colour line{0xC8, 0xC8, 0xC8};
  if (drawRowLines) {
    int64_t y = 0;
    for (int32_t h : rows_) {
      y += int64_t(h) + rowGap;
      int32_t at = gfx::sat32(y - rowGap / 2);
      dc.fill_rect({r.left, at, r.right, at + 1}, line);
    }
  }
  if (drawColumnLines) {
    int64_t x = 0;
    for (int32_t w : columns_) {
      x += int64_t(w) + columnGap;
      int32_t at = gfx::sat32(x - columnGap / 2);
      dc.fill_rect({at, r.top, at + 1, r.bottom}, line);
    }
  }
}

void CGroup::SetFocus() {
  bool shift = state_ && (state_->modifiers & ui::mk::Shift);
  if (!giveFocusToGroupChild(this, shift)) CPaintObject::SetFocus();
}

}  // namespace kv
