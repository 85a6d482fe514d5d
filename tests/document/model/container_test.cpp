// Container editing and settings: grouping a selection, "Show Controls", programs, portals,
// the recursive walk.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "document/model/control.h"
#include "document/model/doc_iterators.h"
#include "document/model/small_modules.h"
#include "tests/document/doc_fixture.h"
#include "document/model/module_factory.h"

namespace kv::test {
namespace {

using ::testing::ElementsAre;

std::vector<CLine2*> linesOf(CContainer* c) {
  std::vector<CLine2*> out;
  for (CDocOb* o : c->children())
    if (auto* l = dynamic_cast<CLine2*>(o)) out.push_back(l);
  return out;
}

TEST(Container, GroupSelectionReroutesCrossingConnections) {
  DocFixture f;
  CUG* src = f.add(f.root, "T Osc", "Src");
  CUG* a = f.add(f.root, "T Osc", "A");
  CUG* sel = f.add(f.root, "T Sel", "Sel");
  CUG* list = f.add(f.root, "T List", "List");
  a->setRect(kViewStructure, Rect{100, 100, 120, 120});
  sel->setRect(kViewStructure, Rect{200, 150, 220, 170});
  ASSERT_NE(src->findPlug("Audio Out")->connect(a->findPlug("Pitch")), nullptr);      // crossing in
  ASSERT_NE(a->findPlug("Audio Out")->connect(sel->findPlug("Spare Input")), nullptr);  // inside
  ASSERT_NE(list->findPlug("Choice")->connect(a->findPlug("Wave")), nullptr);           // enum in
  ASSERT_NE(sel->findPlug("Out")->connect(src->findPlug("Pitch")), nullptr);            // crossing out
  a->setSelected(true, false);
  sel->setSelected(true, false);
  const int selPlugs = sel->plugCount();

  CContainer* group = f.root->groupSelection();
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(a->getParent(), group);
  EXPECT_EQ(sel->getParent(), group);
  EXPECT_EQ(sel->plugCount(), selPlugs);  // no duplicate lost or added on the way
  // Outside: three lines now end at the group; inside: the moved line plus three pair lines.
  const auto outside = linesOf(f.root);
  ASSERT_EQ(outside.size(), 3u);
  for (CLine2* l : outside) EXPECT_TRUE(l->from()->module() == group || l->to()->module() == group);
  EXPECT_EQ(linesOf(group).size(), 4u);
  // Each inside plug is reached through a pair whose source is the original one.
  EXPECT_EQ(a->findPlug("Pitch")->lines().size(), 1u);
  auto* inner = dynamic_cast<CPlugIO2*>(a->findPlug("Pitch")->lines()[0]->from());
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->getSource(), src->findPlug("Audio Out"));
  EXPECT_EQ(inner->getName(), "Pitch");
  EXPECT_EQ(group->countAudioPlugs(DR_IN), 1);
  EXPECT_EQ(group->countAudioPlugs(DR_OUT), 1);
  // Placement: the group centred on the covered area, the modules offset to (20, 80).
  EXPECT_EQ(group->getRect(kViewStructure), (Rect{150, 125, 170, 145}));
  EXPECT_EQ(a->getRect(kViewStructure), (Rect{20, 80, 40, 100}));
  EXPECT_EQ(sel->getRect(kViewStructure), (Rect{120, 130, 140, 150}));
  EXPECT_TRUE(f.texts().empty());
  EXPECT_EQ(f.root->groupSelection(), nullptr);  // nothing selected any more
}

TEST(Container, ShowControlsDecidesTheWalkAndProgramCommands) {
  DocFixture f;
  auto* sub = f.add<CContainer>(f.root, "Container", "Sub");
  auto* inner = f.add<CContainer>(sub, "Container", "Inner");
  auto* s1 = f.add<CControl>(sub, "Slider", "S1");
  auto* s2 = f.add<CControl>(inner, "Slider", "S2");
  auto walk = [&] {
    std::vector<generic_parameter*> out;
    f.root->gatherParameters(out);
    return out;
  };
  sub->findPlug("Show Controls")->setValueText("1");
  inner->findPlug("Show Controls")->setValueText("1");
  EXPECT_THAT(walk(), ElementsAre(static_cast<generic_parameter*>(s1), static_cast<generic_parameter*>(s2)));
  it_imbedded_doc_ob_recursive it(f.root);
  std::vector<CDocOb*> seen;
  for (it.first(); !it.isDone(); it.next()) seen.push_back(it.current());
  // A container is visited before its children.
  EXPECT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen[0], sub);
  sub->findPlug("Show Controls")->setValueText("0");
  EXPECT_TRUE(walk().empty());
  // Program commands switch only containers that show their controls.
  sub->onProgramCommand(3);
  EXPECT_EQ(sub->currentProgram(), 0);
  sub->findPlug("Show Controls")->setValueText("1");
  sub->onProgramCommand(3);
  EXPECT_EQ(sub->currentProgram(), 3);
  EXPECT_EQ(sub->findParameter("Program")->getValueText(), "3");
  EXPECT_EQ(sub->findParameter("Program Name")->getValueText(), "Patch 4");
  sub->findParameter("Program")->setValueText("128");  // out of range: refused
  EXPECT_EQ(sub->currentProgram(), 3);
  sub->setProgramName(0, "Lead, bright=2");
  EXPECT_EQ(sub->findParameter("Program Name")->getChoiceList().substr(0, 22), "Lead; bright2=0,Patch ");
}

TEST(Container, PortalChoosesASiblingPanel) {
  DocFixture f;
  f.add<CContainer>(f.root, "Container", "Synth");
  f.add(f.root, "T Osc", "Osc");
  auto* portal = dynamic_cast<CPortal*>(CreateDocumentModule("Sub Panel"));
  ASSERT_NE(portal, nullptr);
  f.root->adopt(portal);
  std::unique_ptr<GenericIterator<generic_parameter>> it(portal->createParameterIterator());
  std::vector<std::string> names;
  for (it->first(); !it->isDone(); it->next()) names.push_back(it->current()->getName());
  EXPECT_THAT(names, ElementsAre("Sub Panel", "Scroll Bars"));
  generic_parameter* sub = portal->subPanelParameter();
  EXPECT_EQ(sub->getChoiceList(), "<none>,Synth");
  EXPECT_EQ(sub->getValueText(), "0");
  sub->setValueText("1");
  EXPECT_EQ(portal->targetName(), "Synth");
  EXPECT_EQ(sub->getValueText(), "1");
  portal->scrollBarsParameter()->setValueText("2");
  EXPECT_EQ(portal->scrollBarMode(), 2);
  EXPECT_EQ(portal->getRect(kViewPanel), (Rect{0, 0, 200, 150}));
}

TEST(Container, FeaturePlugsFollowTheModulesFeatures) {
  struct Lamp : CUG {
    variable<float> level;
    control_std<float> input;
    using CUG::CUG;
    bool getFeature(int32_t i, feature_info& out) override {
      if (i == 0) { out = feature_info{"Animation Position", dt_float, "", &level, nullptr, 1}; return true; }
      if (i == 1) { out = feature_info{"Level In", dt_float, "", nullptr, &input, 0}; return true; }
      return false;
    }
  };
  DocFixture f;
  auto* a = new Lamp(nullptr);
  auto* b = new Lamp(nullptr);
  f.root->adopt(a);
  f.root->adopt(b);
  a->syncFeaturePlugs();
  b->syncFeaturePlugs();
  ASSERT_EQ(a->plugCount(), 2);
  EXPECT_EQ(a->plug(0)->getDirection(), DR_OUT);
  EXPECT_EQ(a->plug(1)->getDirection(), DR_IN);
  EXPECT_EQ(a->runtimePlugIndex(a->plug(0)), -1);  // no unit-generator plug
  // Connecting a's output feature to b's input feature joins the features.
  ASSERT_NE(a->plug(0)->connect(b->plug(1)), nullptr);
  a->level.set(0.75f);
  EXPECT_EQ(b->input.get(), 0.75f);
  // A feature plug does not connect to a signal plug.
  CUG* osc = f.add(f.root, "T Osc");
  f.messages.clearShown();
  EXPECT_EQ(a->plug(0)->connect(osc->findPlug("Enabled")), nullptr);
  EXPECT_FALSE(f.texts().empty());
  a->plug(0)->disconnectAll();
  EXPECT_EQ(b->input.getVariable(), nullptr);
  a->syncFeaturePlugs();  // nothing new
  EXPECT_EQ(a->plugCount(), 2);
  // Deleting a connected feature plug parts the features before the plug is gone.
  ASSERT_NE(a->plug(0)->connect(b->plug(1)), nullptr);
  EXPECT_EQ(b->input.getVariable(), &a->level);
  delete a->plug(0);
  EXPECT_EQ(b->input.getVariable(), nullptr);
  EXPECT_EQ(a->plugCount(), 1);
  EXPECT_TRUE(b->plug(1)->lines().empty());
}

}  // namespace
}  // namespace kv::test
