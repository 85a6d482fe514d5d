// Layout, painting and hit-testing of the visual framework.
#include <gtest/gtest.h>

#include "panel/visual/border.h"
#include "panel/visual/group.h"
#include "panel/visual/group_loose.h"
#include "tests/panel/visual_test_support.h"

namespace kv {
namespace {

using test::Box;
using test::Editor;
using test::Panel;

TEST(TilePainting, TilesAreAlignedDownToFourAndCutAtTheUpdateArea) {
  std::vector<Tile> tiles = tileLayout({5, 6, 305, 136});
  std::vector<Tile> want = {{4, 4, 128, 128}, {132, 4, 128, 128}, {260, 4, 45, 128},
                            {4, 132, 128, 4}, {132, 132, 128, 4}, {260, 132, 45, 4}};
  EXPECT_EQ(tiles, want);
  EXPECT_TRUE(tileLayout({10, 10, 10, 50}).empty());
}

TEST(TilePainting, PaintingThroughTilesMatchesDrawingDirectly) {
  auto scene = [](gfx::DC& dc) {
    dc.fill_rect({0, 0, 400, 300}, {250, 250, 250});
    for (int i = 0; i < 40; ++i)
      dc.fill_rect(gfx::Rect::xywh((i * 37) % 380, (i * 53) % 280, 17 + i, 9 + i % 13),
                   {uint8_t(i * 6), uint8_t(255 - i * 5), uint8_t(i * 3)});
    dc.move_to({3, 297});
    dc.line_to({397, 2});
  };
  gfx::Bitmap direct(400, 300), tiled(400, 300, 0x123456);
  gfx::DC d(direct);
  d.intersect_clip({7, 9, 391, 277});
  scene(d);
  gfx::Bitmap buffer(128, 128);
  gfx::DC t(tiled);
  t.intersect_clip({7, 9, 391, 277});
  paintInTiles(t, buffer, scene);
  gfx::Bitmap expect(400, 300, 0x123456);
  gfx::DC e(expect);
  e.bit_blt({7, 9, 391, 277}, direct, {7, 9});
  EXPECT_EQ(tiled, expect);
}

TEST(TilePainting, EditorPaintsVisualsInTheirOwnCoordinates) {
  Editor ed(300, 140);
  auto* group = new Panel({50, 20, 250, 120});
  ed.root.AddOwnedChild(group, true);
  auto* box = new Box({10, 5, 30, 25}, {0, 0, 255});
  group->AddOwnedChild(box, true);
  group->scroll = {4, 0};
  ed.open();
  const gfx::Bitmap& shot = ed.host.render();
  EXPECT_EQ(shot.at(50 + 10 - 4, 20 + 5) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(shot.at(50 + 30 - 4, 20 + 5) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(shot.at(5, 5) & 0xFFFFFF, 0xFFFFFFu);
  // Moving the box repaints its old and new places.
  box->SetRect({100, 50, 120, 70});
  const gfx::Bitmap& moved = ed.host.render();
  EXPECT_EQ(moved.at(50 + 10 - 4, 20 + 5) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(moved.at(50 + 100 - 4, 20 + 50) & 0xFFFFFF, 0x0000FFu);
}

TEST(Group, NarrowKeepsNaturalSizeWideFeedsTheStretchColumn) {
  CGroup g;
  Box a, b, c;
  a.preferred = {30, 10};
  b.preferred = {20, 16};
  c.preferred = {25, 8};
  b.setFlags(vf::kStretchWidth);
  c.setFlags(vf::kCentreInCell);
  g.AddToCell(&a, 0, 0);
  g.AddToCell(&b, 0, 1);
  g.AddToCell(&c, 1, 0);
  // Natural: columns 30 and 20 with gap 2 after each; rows 16 and 8 with gap 4.
  EXPECT_EQ(g.GetPreferredSize(), (VSize{54, 32}));
  g.SetRect({0, 0, 10, 10});
  EXPECT_EQ(g.GetRect(), (VRect{0, 0, 54, 32}));
  EXPECT_EQ(c.GetRect(), (VRect{2, 20, 27, 28}));  // centred in the 30-wide column, row 1 at y 20
  EXPECT_EQ(a.GetRect(), (VRect{0, 3, 30, 13}));   // centred vertically in the 16-high row
  g.SetRect({0, 0, 100, 32});
  EXPECT_EQ(g.columnWidths(), (std::vector<int32_t>{30, 66}));
  EXPECT_EQ(b.GetRect(), (VRect{32, 0, 98, 16}));  // stretches across its column
  EXPECT_EQ(a.GetRect().width(), 30);
}

TEST(Group, LinesFallBetweenRowsAndColumns) {
  CGroup g;
  Box a, b;
  a.preferred = {10, 10};
  b.preferred = {10, 10};
  g.rowGap = 6;
  g.columnGap = 4;
  g.drawRowLines = g.drawColumnLines = true;
  g.AddToCell(&a, 0, 0);
  g.AddToCell(&b, 1, 1);
  g.SetRect({0, 0, 28, 32});
  gfx::Bitmap bm(28, 32, 0);
  gfx::DC dc(bm);
  g.DrawBackground(dc);
  EXPECT_EQ(bm.at(20, 16 - 3) & 0xFFFFFF, 0xC8C8C8u);  // after row 0: 10 + 6 - 6 / 2
  EXPECT_EQ(bm.at(14 - 2, 25) & 0xFFFFFF, 0xC8C8C8u);  // after column 0: 10 + 4 - 4 / 2
  EXPECT_EQ(bm.at(14 - 3, 25) & 0xFFFFFF, 0u);
}

TEST(Border, ReservesItsFrameAndDrawsItOutsideThePanelView) {
  for (bool thick : {false, true}) {
    CBorder b;
    Box child;
    child.preferred = {20, 10};
    if (thick) b.setFlags(vf::kThickBorder);
    b.AddChild(&child, true);
    int f = thick ? 3 : 1;
    EXPECT_EQ(b.GetPreferredSize(), (VSize{20 + f, 10 + f}));
    b.SetRect({5, 5, 6, 6});
    EXPECT_EQ(b.GetRect(), (VRect{5, 5, 5 + 20 + f, 5 + 10 + f}));
    EXPECT_EQ(child.GetRect(), (VRect{0, 0, 20, 10}));
    gfx::Bitmap bm(40, 40, 0x00FF00);
    gfx::DC dc(bm);
    b.DrawBackground(dc);  // panel view: no frame
    EXPECT_EQ(bm.at(0, 0), 0x00FF00u);
  }
}

TEST(HitTesting, TransparentGroupsAreHitOnlyThroughChildren) {
  Editor ed;
  auto* behind = new Box({0, 0, 200, 150}, {1, 1, 1});
  behind->name = "behind";
  auto* group = new Panel({20, 20, 120, 120}, vf::kTransparent);
  auto* inner = new Box({10, 10, 30, 30});
  group->AddOwnedChild(inner, true);
  ed.root.AddOwnedChild(behind, true);
  ed.root.AddOwnedChild(group, true);  // in front of `behind`
  ed.open();
  EXPECT_EQ(ed.root.FindVisualAt({35, 35}), inner);
  EXPECT_EQ(ed.root.FindVisualAt({100, 100}), behind);  // the group's empty area falls through
  behind->Close();
  EXPECT_EQ(ed.root.FindVisualAt({100, 100}), &ed.root);
}

TEST(Layout, ChildAddedOutsideIsPulledIntoView) {
  Panel p({0, 0, 100, 80});
  Box far({300, -50, 340, -10});
  p.AddChild(&far, false);
  struct Access : Panel {
    using Panel::MoveIntoView;
  };
  static_cast<Access&>(p).MoveIntoView(&far);
  // 20 pixels inside on each axis: left edge at 100 - 20, bottom edge at 20.
  EXPECT_EQ(far.GetRect(), (VRect{80, -20, 120, 20}));
}

TEST(Layout, NormalisingUsesTheTrueMinimum) {
  GroupLoose g;
  control_group cg;
  for (CPaintObject* grp : {static_cast<CPaintObject*>(&g), static_cast<CPaintObject*>(&cg)}) {
    Box a({12000, 15000, 12010, 15010}), b({12500, 20000, 12510, 20010});
    grp->AddChild(&a, false);
    grp->AddChild(&b, false);
    if (grp == &g) g.NormaliseChildPositions();
    else cg.NormaliseChildPositions();
    EXPECT_EQ(a.GetRect(), (VRect{0, 0, 10, 10}));
    EXPECT_EQ(b.GetRect(), (VRect{500, 5000, 510, 5010}));
  }
}

TEST(Layout, AutoSizeGroupFollowsItsContainerAndChildren) {
  test::TestDoc container;
  test::TestDoc d1(kv::Rect{40, 30, 60, 50});
  std::vector<std::unique_ptr<test::TestDoc>> made;
  Editor ed;
  auto* g = new control_group_auto_size(&container, [](CDocOb* d) { return new Box({}, {0, 200, 0}, d); });
  ed.root.AddOwnedChild(g, true);
  g->AddOwnedChild(new Box({}, {0, 0, 200}, &d1), false);
  ed.open();
  EXPECT_EQ(g->GetScrollOffset(), (VPoint{40, 30}));
  EXPECT_EQ(g->GetRect(), (VRect{0, 0, 20, 20}));
  // A child object's new rectangle reaches the group through the child's object.
  d1.setRect(kViewPanel, {40, 30, 90, 50});
  EXPECT_EQ(g->GetRect(), (VRect{0, 0, 50, 20}));
  // Objects added to the container get visuals; removed ones lose them.
  made.push_back(std::make_unique<test::TestDoc>(kv::Rect{100, 30, 110, 40}));
  container.notify(kNotifyChildAdded, reinterpret_cast<intptr_t>(made.back().get()));
  ASSERT_EQ(g->children().size(), 2u);
  // Added, laid out (the group grows to 40..110 x 30..50 in the children's coordinates),
  // then moved so that 20 pixels of it lie inside.
  EXPECT_EQ(made.back()->getRect(kViewPanel), (kv::Rect{90, 40, 100, 50}));
  made.back()->setRect(kViewPanel, {95, 30, 110, 40});
  EXPECT_EQ(g->GetRect(), (VRect{0, 0, 70, 20}));
  container.notify(kNotifyChildGoing, reinterpret_cast<intptr_t>(made.back().get()));
  EXPECT_EQ(g->children().size(), 1u);
  EXPECT_EQ(g->GetRect(), (VRect{0, 0, 50, 20}));
  const gfx::Bitmap& shot = ed.host.render();
  EXPECT_EQ(shot.at(0, 0) & 0xFFFFFF, 0x0000C8u);
  EXPECT_EQ(shot.at(49, 19) & 0xFFFFFF, 0x0000C8u);
}

}  // namespace
}  // namespace kv
