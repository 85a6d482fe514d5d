// A patch built in memory through the registry: a root container holding a sub-container
// with its IO module, modules connected across the boundary, and controls.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "document/model/control.h"
#include "tests/document/doc_fixture.h"

namespace kv::test {
namespace {

using ::testing::ElementsAre;

int countLines(CContainer* c) {
  int n = 0;
  for (CDocOb* o : c->children()) n += dynamic_cast<CLine2*>(o) != nullptr;
  return n;
}

TEST(PatchStructure, SubContainerWithIoModuleConnectedAcrossTheBoundary) {
  DocFixture f;
  // A container made by the registry has exactly one IO module, found again on request.
  auto* sub = f.add<CContainer>(f.root, "Container", "Voice");
  ASSERT_NE(sub, nullptr);
  CUG* io = sub->existingIOModule();
  ASSERT_NE(io, nullptr);
  EXPECT_EQ(sub->findIOModule(), io);
  EXPECT_EQ(io->getTitle(), "IO Mod");
  EXPECT_EQ(io->getRect(kViewStructure), (Rect{20, 20, 40, 40}));
  EXPECT_THAT(plugNames(sub), ElementsAre("", "Polyphony", "MIDI Automation", "Show Controls"));
  EXPECT_EQ(sub->findPlug("Polyphony")->getValueText(), "6");
  EXPECT_EQ(sub->findPlug("Polyphony")->getChoiceList(), "range 1,200");

  CUG* osc = f.add(sub, "T Osc", "Osc 1");
  CUG* outside = f.add(f.root, "T Osc", "Source");
  CUG* mixer = f.add(f.root, "T Mix", "Mixer");

  // Inside: the oscillator's output into the IO module's spare pairs it with the container's
  // spare; both get the oscillator's name and each side keeps a fresh spare.
  CPlugIO2* innerSpare = findSparePlug(io);
  ASSERT_NE(osc->findPlug("Audio Out")->connect(innerSpare), nullptr);
  ASSERT_EQ(io->plugCount(), 2);
  auto* inner = dynamic_cast<CPlugIO2*>(io->plug(0));
  auto* outer = inner->partner();
  ASSERT_NE(outer, nullptr);
  EXPECT_EQ(outer->partner(), inner);
  EXPECT_EQ(outer->module(), sub);
  EXPECT_EQ(inner->getName(), "Audio Out");
  EXPECT_EQ(outer->getName(), "Audio Out");
  EXPECT_EQ(inner->getDirection(), DR_IN);
  EXPECT_EQ(outer->getDirection(), DR_OUT);
  EXPECT_EQ(outer->getDatatype(), dt_volts);
  EXPECT_THAT(plugNames(sub), ElementsAre("Audio Out", "", "Polyphony", "MIDI Automation", "Show Controls"));
  EXPECT_EQ(sub->countAudioPlugs(DR_OUT), 1);  // the unconnected spare does not count
  EXPECT_EQ(sub->countAudioPlugs(DR_IN), 0);

  // Outside: the container's new plug into the mixer's duplicating input.
  ASSERT_NE(outer->connect(mixer->findPlug("Input")), nullptr);
  EXPECT_EQ(mixer->plug(0)->getName(), "Audio Out");  // took the source's name
  EXPECT_THAT(plugNames(mixer), ElementsAre("Audio Out", "Input", "Out"));
  EXPECT_EQ(sub->plugCount(), 5);  // no second spare on the container
  EXPECT_EQ(outer->getSource(), osc->findPlug("Audio Out"));

  // An input of the inner oscillator fed from outside through a second pair.
  ASSERT_NE(findSparePlug(io)->connect(osc->findPlug("Pitch")), nullptr);
  CPlugIO2* pitchInner = dynamic_cast<CPlugIO2*>(io->findPlug("Pitch"));
  ASSERT_NE(pitchInner, nullptr);
  EXPECT_EQ(pitchInner->getDirection(), DR_OUT);
  EXPECT_EQ(pitchInner->partner()->getDirection(), DR_IN);
  EXPECT_EQ(pitchInner->partner()->getValueText(), "5");  // took the input's value
  ASSERT_NE(outside->findPlug("Audio Out")->connect(pitchInner->partner()), nullptr);
  EXPECT_EQ(pitchInner->partner()->getName(), "Pitch");  // a paired plug keeps its name
  EXPECT_EQ(sub->countAudioPlugs(DR_IN), 1);
  EXPECT_EQ(countLines(sub), 2);
  EXPECT_EQ(countLines(f.root), 2);

  // Unit-generator plug numbers skip unconnected spares.
  EXPECT_EQ(mixer->runtimePlugIndex(mixer->plug(0)), 0);
  EXPECT_EQ(mixer->runtimePlugIndex(mixer->plug(1)), -1);
  EXPECT_EQ(mixer->runtimePlugIndex(mixer->plug(2)), 1);

  // Children: lines at the end, other objects at the front.
  EXPECT_EQ(f.root->children().front(), mixer);
  EXPECT_NE(dynamic_cast<CLine2*>(f.root->children().back()), nullptr);

  // Controls: a hidden sub-container's controls are not among the parameters.
  auto* slider = f.add<CControl>(sub, "Slider", "Cutoff");
  auto* text = f.add<CControl>(f.root, "Text Entry", "Name");
  auto* list = f.add<CControl>(f.root, "List Entry", "Alpha");
  std::vector<generic_parameter*> params;
  f.root->gatherParameters(params);
  EXPECT_THAT(params, ElementsAre(static_cast<generic_parameter*>(list), static_cast<generic_parameter*>(text)));
  sub->findPlug("Show Controls")->setValueText("1");
  params.clear();
  f.root->gatherParameters(params);
  EXPECT_THAT(params, ElementsAre(static_cast<generic_parameter*>(list), static_cast<generic_parameter*>(slider),
                                  static_cast<generic_parameter*>(text)));
  EXPECT_FALSE(f.root->patchHasPrograms());

  // A module's parameters: inputs and settings (plugs), then extra parameters ("Title").
  std::unique_ptr<GenericIterator<generic_parameter>> it(osc->createParameterIterator());
  std::vector<std::string> names;
  for (it->first(); !it->isDone(); it->next()) names.push_back(it->current()->getName());
  EXPECT_THAT(names, ElementsAre("Pitch", "Wave", "File", "MIDI In", "Gain", "Enabled", "Title"));
  std::unique_ptr<GenericIterator<generic_parameter>> cit(sub->createParameterIterator());
  names.clear();
  for (cit->first(); !cit->isDone(); cit->next()) names.push_back(cit->current()->getName());
  EXPECT_THAT(names, ElementsAre("Audio Out", "Pitch", "Polyphony", "MIDI Automation", "Show Controls", "Title",
                                 "Skin", "Program", "Program Name", "Cutoff"));
  EXPECT_TRUE(f.texts().empty());
}

TEST(PatchStructure, DuplicatingSpareComesAndGoesWithItsConnection) {
  DocFixture f;
  CUG* a = f.add(f.root, "T Osc");
  CUG* b = f.add(f.root, "T Osc");
  CUG* sel = f.add(f.root, "T Sel");
  EXPECT_EQ(sel->findPlug("Choice")->getChoiceList(), "<none>");
  const auto before = plugNames(sel);

  CLine2* l1 = a->findPlug("Audio Out")->connect(sel->findPlug("Spare Input"));
  ASSERT_NE(l1, nullptr);
  EXPECT_EQ(sel->plugCount(), 5);
  // Connected duplicates take their source's name; the {AUTO} list names them.
  CLine2* l2 = b->findPlug("Audio Out")->connect(sel->plug(2));
  ASSERT_NE(l2, nullptr);
  EXPECT_EQ(sel->plugCount(), 6);
  EXPECT_EQ(sel->findPlug("Choice")->getChoiceList(), "Audio Out,Audio Out");
  l1->remove();
  l2->remove();
  EXPECT_EQ(plugNames(sel), before);
  EXPECT_EQ(sel->findPlug("Choice")->getChoiceList(), "<none>");
  EXPECT_TRUE(f.doc.isModified());
}

TEST(PatchStructure, AutoListNamesConnectedDuplicatesInPlugOrder) {
  DocFixture f;
  CUG* a = f.add(f.root, "T Osc");
  CUG* mix = f.add(f.root, "T Mix");
  ASSERT_NE(a->findPlug("Audio Out")->connect(mix->findPlug("Input")), nullptr);
  mix->plug(0)->setName("Pitch");
  ASSERT_NE(a->findPlug("Audio Out")->connect(mix->findPlug("Input")), nullptr);
  mix->plug(1)->setName("Gate");
  EXPECT_EQ(mix->getChoiceListFor(mix->plug(0), "{AUTO}"), "Pitch,Gate");
  EXPECT_EQ(mix->getChoiceListFor(mix->plug(0), "A,B"), "A,B");
}

TEST(PatchStructure, ChoiceListsPassThroughContainerPairs) {
  DocFixture f;
  auto* sub = f.add<CContainer>(f.root, "Container", "Sub");
  CUG* osc = f.add(sub, "T Osc", "Inner");
  CUG* list = f.add(f.root, "T List", "List");
  CUG* other = f.add(f.root, "T Osc", "Other");
  ASSERT_NE(findSparePlug(sub->findIOModule())->connect(osc->findPlug("Wave")), nullptr);
  CPlug2* outer = sub->findPlug("Wave");
  ASSERT_NE(outer, nullptr);
  EXPECT_EQ(outer->getChoiceList(), "Sine,Saw,Square");
  ASSERT_NE(list->findPlug("Choice")->connect(outer), nullptr);
  EXPECT_EQ(list->findPlug("Choice")->getChoiceList(), "Sine,Saw,Square");
  // The list output now feeds a "Sine,Saw,Square" input inside: a second such input is fine.
  EXPECT_NE(list->findPlug("Choice")->connect(other->findPlug("Wave")), nullptr);
  EXPECT_TRUE(f.texts().empty());
}

TEST(PatchStructure, InsertPlugPlacesByDeclarationIndex) {
  DocFixture f;
  auto* m = new CUG();
  auto ids = [&] {
    std::vector<int> out;
    for (CPlug2* p : m->plugs()) out.push_back(p->index());
    return out;
  };
  for (int i : {0, 1, 5}) m->insertPlug(new CPlug2(static_cast<int16_t>(i), ""));
  m->insertPlug(new CPlug2(3, ""));
  EXPECT_THAT(ids(), ElementsAre(0, 1, 3, 5));
  delete m;

  // Into 0, 1, 2 followed by a spare IO plug: before the spare.
  m = new CUG();
  for (int i : {0, 1, 2}) m->insertPlug(new CPlug2(static_cast<int16_t>(i), ""));
  auto* spare = new CPlugIO2(2, "");
  m->insertPlug(spare);
  auto* three = new CPlug2(3, "");
  m->insertPlug(three);
  EXPECT_EQ(m->plug(3), three);
  EXPECT_EQ(m->plug(4), spare);
  delete m;
}

TEST(PatchStructure, RemovingAModuleRemovesItsLinesAndTheConnectedDuplicates) {
  DocFixture f;
  CUG* a = f.add(f.root, "T Osc");
  CUG* mix = f.add(f.root, "T Mix");
  ASSERT_NE(a->findPlug("Audio Out")->connect(mix->findPlug("Input")), nullptr);
  EXPECT_EQ(mix->plugCount(), 3);
  a->remove();
  EXPECT_EQ(mix->plugCount(), 2);
  EXPECT_EQ(f.root->children().size(), 1u);
  EXPECT_EQ(f.root->children().front(), mix);
}

TEST(PatchStructure, AddModuleRefusesIoModulesInTheRoot) {
  DocFixture f;
  EXPECT_EQ(f.root->addModule("IO Mod", kViewStructure, Point{10, 10}), nullptr);
  EXPECT_THAT(f.texts(), ElementsAre("IO Modules only go inside a Container"));
  EXPECT_TRUE(f.root->children().empty());
  auto* sub = f.add<CContainer>(f.root, "Container");
  CDocOb* io2 = sub->addModule("IO Mod", kViewStructure, Point{-1, -1});
  ASSERT_NE(io2, nullptr);
  EXPECT_TRUE(io2->ownSelectedFlag());
  CDocOb* placed = f.root->addModule("T Osc", kViewStructure, Point{100, 50});
  ASSERT_NE(placed, nullptr);
  EXPECT_EQ(placed->getRect(kViewStructure), (Rect{100, 50, 120, 70}));
  EXPECT_FALSE(sub->ownSelectedFlag());
  EXPECT_EQ(f.root->addModule("No Such Module", kViewStructure, Point{0, 0}), nullptr);
}

TEST(PatchStructure, CopySelectionRefusesTheIoModule) {
  DocFixture f;
  auto* sub = f.add<CContainer>(f.root, "Container");
  CUG* osc = f.add(sub, "T Osc");
  osc->setSelected(true, false);
  std::vector<CDocOb*> chosen;
  EXPECT_TRUE(sub->copySelection(&chosen));
  EXPECT_EQ(chosen, std::vector<CDocOb*>{osc});
  sub->findIOModule()->setSelected(true, false);
  EXPECT_FALSE(sub->copySelection(&chosen));
  ASSERT_EQ(f.messages.shown().size(), 1u);
  EXPECT_EQ(f.messages.shown()[0].text,
            "Can't Copy (or Cut) an 'IO Module'. Please un-select it and try again");
  EXPECT_EQ(f.messages.shown()[0].icon, MessageIcon::Exclamation);
}

TEST(PatchStructure, PatchHasProgramsFollowsShownContainers) {
  DocFixture f;
  auto* sub = f.add<CContainer>(f.root, "Container");
  f.add(f.root, "Patch Select");
  EXPECT_TRUE(f.root->patchHasPrograms());
  EXPECT_FALSE(sub->patchHasPrograms());  // does not show its controls
  sub->findPlug("Show Controls")->setValueText("2");
  EXPECT_TRUE(sub->patchHasPrograms());
}

}  // namespace
}  // namespace kv::test
