// Input routing of the visual framework: double-clicks, keys, tab order, capture, context
// menus and tooltips, per editor, and visuals removed from inside their own handlers.
#include <gtest/gtest.h>

#include "panel/visual/group.h"
#include "panel/visual/group_loose.h"
#include "tests/panel/visual_test_support.h"

namespace kv {
namespace {

using test::Box;
using test::Editor;
using test::Panel;
using Log = std::vector<std::string>;

TEST(MouseRouting, DoubleClickWithin200Milliseconds) {
  for (auto [gap, doubled] : {std::pair{199u, true}, std::pair{200u, false}}) {
    Editor ed;
    auto* b = new Box({10, 10, 50, 50});
    ed.root.AddOwnedChild(b, true);
    ed.open();
    ed.host.play(ui::Script().click(20, 20).wait(gap).click(21, 22));
    // The box takes no capture, so releases are not routed to it; the double-click call
    // comes before the second activation.
    Log want = {"box down 10,10", "box down 11,12"};
    if (doubled) want.push_back("box double");
    Log got = *b->log;
    EXPECT_EQ(got, want) << gap;
  }
}

TEST(MouseRouting, CaptureRoutesDragsAndTheRelease) {
  Editor ed;
  auto* panel = new Panel({30, 40, 180, 140});
  auto* b = new Box({10, 10, 40, 40});
  b->captureOnPress = true;
  panel->AddOwnedChild(b, true);
  ed.root.AddOwnedChild(panel, true);
  ed.open();
  ed.host.play(ui::Script().move(45, 55).move(46, 56));  // no capture: moves are not routed
  EXPECT_TRUE(b->log->empty());
  ed.host.play(ui::Script().drag(45, 55, 45 + 100, 55 - 50, 2));
  Log want = {"box down 5,5", "box drag 55,-20", "box drag 105,-45", "box up 105,-45"};
  EXPECT_EQ(*b->log, want);
  EXPECT_EQ(ed.root.panelState()->capture, nullptr);
  EXPECT_FALSE(ed.host.captured());
}

TEST(Keys, GoToTheFocusOrTheRootCharactersOnlyToAFocus) {
  Editor ed;
  auto* b = new Box({10, 10, 50, 50});
  b->wantsFocus = true;
  auto* sink = new Box({60, 10, 80, 30});
  sink->name = "sink";
  ed.root.AddOwnedChild(b, true);
  ed.root.AddOwnedChild(sink, true);
  ed.open();
  ed.root.panelState()->keyboardSink = sink;
  ed.host.play(ui::Script().key('A'));
  // No focus: the key goes to the root, which passes it to the keyboard sink; the
  // character goes nowhere.
  EXPECT_EQ(*sink->log, (Log{"sink key 65"}));
  EXPECT_TRUE(b->log->empty());
  ed.host.click(20, 20);  // the box wants the focus and gets it
  EXPECT_EQ(ed.root.panelState()->focus, b);
  b->log->clear();
  ed.host.play(ui::Script().key('B'));
  EXPECT_EQ(*b->log, (Log{"box key 66", "box char 98"}));
  EXPECT_EQ(sink->log->back(), "sink key 66");  // not consumed: on to the sink
}

TEST(Keys, TabOrderAmongSiblings) {
  Editor ed;
  auto* g = new GroupLoose();
  g->SetRect({0, 0, 200, 150});
  ed.root.AddOwnedChild(g, true);
  Box* boxes[3];
  for (int i = 0; i < 3; ++i) {
    boxes[i] = new Box({10 + 30 * i, 10, 30 + 30 * i, 30});
    boxes[i]->preferred = {20, 20};
    boxes[i]->name = "b" + std::to_string(i);
    boxes[i]->setTabOrder(i);
    boxes[i]->wantsFocus = true;
    g->AddOwnedChild(boxes[i], false);
  }
  ed.open();
  boxes[1]->SetFocus();
  ed.host.play(ui::Script().keyDown(ui::key::Shift).key(ui::key::Tab).keyUp(ui::key::Shift));
  EXPECT_EQ(ed.root.panelState()->focus, boxes[0]);
  boxes[2]->SetFocus();
  ed.host.play(ui::Script().key(ui::key::Tab));  // the group has no tab order: wraps
  EXPECT_EQ(ed.root.panelState()->focus, boxes[0]);
  ed.host.play(ui::Script().key(ui::key::Return));
  EXPECT_EQ(ed.root.panelState()->focus, boxes[1]);
  EXPECT_EQ(boxes[0]->log->back(), "b0 kill focus");
  // A group asked for the focus passes it to its first child (its last with Shift).
  g->SetFocus();
  EXPECT_EQ(ed.root.panelState()->focus, boxes[0]);
}

TEST(Editors, KeepTheirOwnFocusAndCapture) {
  Editor a, b;
  auto* ba = new Box({10, 10, 50, 50});
  auto* bb = new Box({10, 10, 50, 50});
  for (Box* x : {ba, bb}) x->wantsFocus = x->captureOnPress = true;
  a.root.AddOwnedChild(ba, true);
  b.root.AddOwnedChild(bb, true);
  a.open();
  b.open();
  a.host.play(ui::Script().press(20, 20));
  b.host.click(20, 20);
  EXPECT_EQ(a.root.panelState()->focus, ba);
  EXPECT_EQ(a.root.panelState()->capture, ba);
  EXPECT_EQ(b.root.panelState()->focus, bb);
  EXPECT_EQ(b.root.panelState()->capture, nullptr);
  EXPECT_NE(a.root.panelState(), b.root.panelState());
}

TEST(Lifetime, VisualRemovedFromItsOwnPressHandler) {
  Editor ed;
  auto* b = new Box({10, 10, 50, 50});
  auto log = b->log;
  b->onPress = [](Box* self) {
    CVisualOb::destroyVisual(self);
    self->log->push_back("still alive");  // the handler goes on using its visual
  };
  ed.root.AddOwnedChild(b, true);
  ed.open();
  ed.host.click(20, 20);
  EXPECT_EQ(*log, (Log{"box down 10,10", "still alive"}));
  EXPECT_TRUE(ed.root.children().empty());
  ed.host.click(20, 20);  // nothing left there
  EXPECT_EQ(log->size(), 2u);
}

TEST(Lifetime, ContextMenuCommandRemovesItsTarget) {
  Editor ed;
  auto* b = new Box({10, 10, 50, 50});
  b->menuItems = true;
  int commands = 0;
  b->onCommand = [&](Box* self, int32_t id) {
    ++commands;
    EXPECT_EQ(id, 40000);
    ed.root.Close();  // rebuild: every owned child goes
    self->name = "touched after close";
    ed.root.Open();
  };
  ed.root.AddOwnedChild(b, true);
  ed.open();
  // Right click opens the menu; a click on its first item chooses "Remove".
  ed.host.play(ui::Script().click(20, 20, ui::MouseButton::Right).click(25, 27));
  EXPECT_EQ(commands, 1);
  EXPECT_TRUE(ed.root.children().empty());
}

TEST(Lifetime, DocumentObjectDestroyedWhileShown) {
  Editor ed;
  auto doc = std::make_unique<test::TestDoc>(kv::Rect{5, 5, 25, 25});
  auto* b = new Box({}, {9, 9, 9}, doc.get());
  ed.root.AddOwnedChild(b, true);
  ed.open();
  EXPECT_EQ(b->GetRect(), (VRect{5, 5, 25, 25}));
  doc.reset();  // code 8: the visual drops its link
  EXPECT_EQ(b->GetDocOb(), nullptr);
  ed.root.Close();  // unregistering must not touch the freed object
}

TEST(ToolTips, ComeFromFlaggedVisuals) {
  Editor ed;
  auto* plain = new Box({10, 10, 30, 30});
  plain->tip = "plain";
  auto* tipped = new Box({40, 10, 60, 30});
  tipped->tip = "Cutoff";
  tipped->setFlags(vf::kToolTip);
  ed.root.AddOwnedChild(plain, true);
  ed.root.AddOwnedChild(tipped, true);
  ed.open();
  EXPECT_EQ(ed.root.toolTipAt({20, 20}), "");
  EXPECT_EQ(ed.root.toolTipAt({50, 20}), "Cutoff");
  ed.host.play(ui::Script().move(50, 20).wait(600));
  EXPECT_EQ(ed.top.toolTip().shownText(), "Cutoff");
}

}  // namespace
}  // namespace kv
