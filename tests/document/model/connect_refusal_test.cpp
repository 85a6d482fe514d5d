// Every refused connection shows its exact text and leaves the document as it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "tests/document/doc_fixture.h"
#include "document/model/module_factory.h"

namespace kv::test {
namespace {

// A fingerprint of the whole tree: children, plugs, names, values and line ends.
std::string snapshot(CContainer* c) {
  std::string s = "[" + c->getTitle();
  for (CDocOb* o : c->children()) {
    if (auto* l = dynamic_cast<CLine2*>(o)) {
      s += " line(" + l->from()->module()->getTitle() + "." + l->from()->getName() + "->" +
           l->to()->module()->getTitle() + "." + l->to()->getName() + ")";
    } else if (auto* sub = dynamic_cast<CContainer*>(o)) {
      s += " " + snapshot(sub);
    } else if (auto* m = dynamic_cast<CUG*>(o)) {
      s += " " + m->getTitle() + "{";
      for (CPlug2* p : m->plugs())
        s += p->getName() + "=" + p->getValueText() + "/" + std::to_string(p->lines().size()) + ",";
      s += "}";
    }
  }
  for (CPlug2* p : c->plugs()) s += " " + p->getName() + "/" + std::to_string(p->lines().size());
  return s + "]";
}

struct Case {
  const char* what;
  std::function<std::pair<CPlug2*, CPlug2*>(DocFixture&)> plugs;
  const char* message;  // null: refused silently
};

TEST(ConnectRefusals, EachRuleShowsItsTextAndChangesNothing) {
  const std::vector<Case> cases = {
      {"same plug", [](DocFixture& f) {
         CUG* a = f.add(f.root, "T Osc", "A");
         return std::make_pair(a->findPlug("Pitch"), a->findPlug("Pitch")); }, nullptr},
      {"output to output", [](DocFixture& f) {
         CUG* a = f.add(f.root, "T Osc", "A"); CUG* b = f.add(f.root, "T Osc", "B");
         return std::make_pair(a->findPlug("Audio Out"), b->findPlug("Audio Out")); },
       "Can't connect same direction plugs (plugs on the left = Inputs, right = Outputs"},
      {"different datatypes", [](DocFixture& f) {
         CUG* a = f.add(f.root, "T Osc", "A"); CUG* l = f.add(f.root, "T List", "L");
         return std::make_pair(l->findPlug("Choice"), a->findPlug("Pitch")); },
       "Can't connect different plug types (eg you can't connect a voltage p_to a filename)"},
      {"second source on an enum input", [](DocFixture& f) {
         CUG* a = f.add(f.root, "T Osc", "A"); CUG* l = f.add(f.root, "T List", "L");
         CUG* l2 = f.add(f.root, "T List", "L2");
         EXPECT_NE(l->findPlug("Choice")->connect(a->findPlug("Wave")), nullptr);
         return std::make_pair(l2->findPlug("Choice"), a->findPlug("Wave")); },
       "This type of plug accepts only one input"},
      {"second source on an enum input, input first", [](DocFixture& f) {
         CUG* a = f.add(f.root, "T Osc", "A"); CUG* l = f.add(f.root, "T List", "L");
         CUG* l2 = f.add(f.root, "T List", "L2");
         EXPECT_NE(a->findPlug("Wave")->connect(l->findPlug("Choice")), nullptr);
         return std::make_pair(a->findPlug("Wave"), l2->findPlug("Choice")); },
       "This type of plug accepts only one input"},
      {"incompatible list joins a list output", [](DocFixture& f) {
         CUG* a = f.add(f.root, "T Osc", "A"); CUG* s = f.add(f.root, "T Sel", "S");
         CUG* l = f.add(f.root, "T List", "L");
         EXPECT_NE(l->findPlug("Other")->connect(s->findPlug("Choice")), nullptr);
         return std::make_pair(a->findPlug("Wave"), l->findPlug("Other")); },
       "The choices in this listbox are not compatible with that plug"},
      {"list output already feeding another list", [](DocFixture& f) {
         CUG* a = f.add(f.root, "T Osc", "A"); CUG* b = f.add(f.root, "T Sel", "B");
         CUG* l = f.add(f.root, "T List", "L");
         EXPECT_NE(l->findPlug("Choice")->connect(a->findPlug("Wave")), nullptr);
         return std::make_pair(l->findPlug("Choice"), b->findPlug("Choice")); },
       "This is the wrong type of listbox"},
      {"already connected", [](DocFixture& f) {
         CUG* a = f.add(f.root, "T Osc", "A"); CUG* b = f.add(f.root, "T Osc", "B");
         EXPECT_NE(a->findPlug("Audio Out")->connect(b->findPlug("Pitch")), nullptr);
         return std::make_pair(b->findPlug("Pitch"), a->findPlug("Audio Out")); },
       "These two plugs are already connected"},
      {"a module setting", [](DocFixture& f) {
         CUG* a = f.add(f.root, "T Osc", "A"); CUG* b = f.add(f.root, "T Osc", "B");
         return std::make_pair(a->findPlug("Audio Out"), b->findPlug("Gain")); },
       "Can't connect to a module setting (it is not a plug)"},
      {"modules in different containers", [](DocFixture& f) {
         CUG* a = f.add(f.root, "T Osc", "A");
         auto* sub = f.add<CContainer>(f.root, "Container", "Sub");
         CUG* b = f.add(sub, "T Osc", "B");
         return std::make_pair(a->findPlug("Audio Out"), b->findPlug("Pitch")); },
       "Can't connect modules in different containers (connect through the container's plugs)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DocFixture f;
    auto [first, second] = c.plugs(f);
    f.messages.clearShown();
    f.doc.setModified(false);
    const std::string before = snapshot(f.root);
    EXPECT_EQ(first->connect(second), nullptr);
    EXPECT_EQ(snapshot(f.root), before);
    EXPECT_FALSE(f.doc.isModified());
    if (c.message)
      EXPECT_THAT(f.texts(), ::testing::ElementsAre(c.message));
    else
      EXPECT_TRUE(f.texts().empty());
  }
}

TEST(ContainerRefusals, EachShowsItsTextAndChangesNothing) {
  struct Refusal {
    const char* what;
    // Builds the document and answers the refused edit (true when it was refused).
    std::function<std::function<bool()>(DocFixture&)> prepare;
    const char* message;
    MessageIcon icon;
  };
  const std::vector<Refusal> cases = {
      {"IO module added to the root", [](DocFixture& f) {
         f.add(f.root, "T Osc", "A");
         return std::function<bool()>([&f] {
           return f.root->addModule("IO Mod", kViewStructure, Point{5, 5}) == nullptr; }); },
       "IO Modules only go inside a Container", MessageIcon::Plain},
      {"IO module by its old number", [](DocFixture& f) {
         return std::function<bool()>([&f] {
           return f.root->addModule("BI4", kViewStructure, Point{-1, -1}) == nullptr; }); },
       "IO Modules only go inside a Container", MessageIcon::Plain},
      {"copying a selected IO module", [](DocFixture& f) {
         auto* sub = f.add<CContainer>(f.root, "Container", "Sub");
         CUG* osc = f.add(sub, "T Osc", "A");
         osc->setSelected(true, false);
         sub->findIOModule()->setSelected(true, false);
         return std::function<bool()>([sub] { return !sub->copySelection(nullptr); }); },
       "Can't Copy (or Cut) an 'IO Module'. Please un-select it and try again",
       MessageIcon::Exclamation},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.what);
    DocFixture f;
    auto act = c.prepare(f);
    f.messages.clearShown();
    f.doc.setModified(false);
    const std::string before = snapshot(f.root);
    EXPECT_TRUE(act());
    EXPECT_EQ(snapshot(f.root), before);
    EXPECT_FALSE(f.doc.isModified());
    ASSERT_EQ(f.messages.shown().size(), 1u);
    EXPECT_EQ(f.messages.shown()[0].text, c.message);
    EXPECT_EQ(f.messages.shown()[0].icon, c.icon);
  }
}

TEST(ConnectRefusals, AcceptedCases) {
  DocFixture f;
  CUG* a = f.add(f.root, "T Osc", "A");
  CUG* b = f.add(f.root, "T Osc", "B");
  // An input of a module from its own output; audio and MIDI inputs take many sources.
  EXPECT_NE(a->findPlug("Audio Out")->connect(a->findPlug("Pitch")), nullptr);
  EXPECT_NE(b->findPlug("Audio Out")->connect(a->findPlug("Pitch")), nullptr);
  // Orientation: the output is always the "from" end.
  CLine2* l = a->findPlug("Pitch")->connect(f.add(f.root, "T Osc", "C")->findPlug("Audio Out"));
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->from()->getName(), "Audio Out");
  EXPECT_EQ(l->to(), a->findPlug("Pitch"));
  // A list output into a list input with the same choices.
  CUG* list = f.add(f.root, "T List", "L");
  EXPECT_NE(list->findPlug("Choice")->connect(a->findPlug("Wave")), nullptr);
  EXPECT_TRUE(f.texts().empty());
}

TEST(ConnectRefusals, EngineThatWillNotStopAbandonsTheEdit) {
  struct StuckEngine : Document {
    bool isEngineRunning() const override { return true; }
    bool stopEngine() override { return false; }
  };
  MessageService messages;
  messages.setLogToStderr(false);
  MessageServiceScope scope(messages);
  registerTestTypes();
  StuckEngine doc;
  auto* root = new CContainer(GetModuleRegistry().FindModuleInfo("Container"));
  doc.setRoot(root);
  auto* a = dynamic_cast<CUG*>(CreateDocumentModule("T Osc"));
  auto* b = dynamic_cast<CUG*>(CreateDocumentModule("T Osc"));
  root->adopt(a);
  root->adopt(b);
  EXPECT_EQ(a->findPlug("Audio Out")->connect(b->findPlug("Pitch")), nullptr);
  EXPECT_FALSE(b->findPlug("Pitch")->isConnected());
}

}  // namespace
}  // namespace kv::test
