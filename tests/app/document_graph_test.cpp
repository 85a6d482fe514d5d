// Building the engine from a patch document: refusals, values, summing, sort orders.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/audio_master.h"
#include "engine/kv_exception.h"
#include "engine/ug_container.h"
#include "tests/support/offline_render.h"
#include "tests/support/patch_builder.h"
#include "tests/support/probe_modules.h"

namespace kv::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(DocumentGraph, TwoFeedbackLoopsReportTheFirstAndBuildNothing) {
  PatchBuilder b;
  // Loop 1: A -> B -> A; loop 2: C -> D -> C.
  CUG* a = b.Add("Test Cut", "A");
  CUG* bb = b.Add("Test Cut", "B");
  CUG* c = b.Add("Test Cut", "C");
  CUG* d = b.Add("Test Cut", "D");
  ASSERT_TRUE(PatchBuilder::Connect(a, "Out", bb, "In"));
  ASSERT_TRUE(PatchBuilder::Connect(bb, "Out", a, "In"));
  ASSERT_TRUE(PatchBuilder::Connect(c, "Out", d, "In"));
  ASSERT_TRUE(PatchBuilder::Connect(d, "Out", c, "In"));
  const int live_before = g_live_cut_modules.load();
  OfflineRender r(b.Take(), 44100.0f, 256);
  EXPECT_FALSE(r.started());
  EXPECT_FALSE(r.app().HasEngine());
  EXPECT_EQ(g_live_cut_modules.load(), live_before);  // the partial graph is gone
  const auto texts = r.messages().shownTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_THAT(texts[0], HasSubstr("This patch contains a FEEDBACK path, Please remove.\n "));
  // The loop met first is the one of the modules added first.
  EXPECT_TRUE(texts[0].find("Patch.A") != std::string::npos || texts[0].find("Patch.B") != std::string::npos)
      << texts[0];
  EXPECT_EQ(texts[0].find("Patch.C"), std::string::npos) << texts[0];
  // Every module forgot its unit generator; the host hears silence.
  EXPECT_EQ(a->unitGenerator(), nullptr);
  auto out = r.Render(300, {100});
  for (float s : out[0]) ASSERT_EQ(s, 0.0f);
}

TEST(DocumentGraph, SelfConnectionNamesTheModuleTwice) {
  PatchBuilder b;
  CUG* a = b.Add("Test Cut", "Solo");
  ASSERT_TRUE(PatchBuilder::Connect(a, "Out", a, "In"));
  OfflineRender r(b.Take(), 44100.0f, 256);
  EXPECT_FALSE(r.started());
  EXPECT_THAT(r.messages().shownTexts(),
              ElementsAre("This patch contains a FEEDBACK path, Please remove.\n Patch.Solo -> Patch.Solo"));
}

TEST(DocumentGraph, NestedVoiceSourcesAreRefused) {
  PatchBuilder b;
  b.Add("Test Notes", "Outer notes");  // the patch container holds a voice source ...
  CContainer* inner = b.AddContainer("Inner");
  b.Add("Test Notes", "Inner notes", inner);  // ... and so does a container inside it
  const int live_before = g_live_cut_modules.load();
  b.Add("Test Cut", "Bystander", inner);
  OfflineRender r(b.Take(), 44100.0f, 256);
  EXPECT_FALSE(r.started());
  EXPECT_FALSE(r.app().HasEngine());
  EXPECT_EQ(g_live_cut_modules.load(), live_before);
  EXPECT_THAT(r.messages().shownTexts(),
              ElementsAre("ERROR: You have more than one 'MidiToCv', 'Soundfont Player', or 'Drum "
                          "Trigger' in same container (or in a sub-container)."));
}

TEST(DocumentGraph, TwoNoteSourcesSideBySideBuildWithAModuleMessage) {
  PatchBuilder b;
  b.Add("Test Notes", "First");
  b.Add("Test Notes", "Second");
  OfflineRender r(b.Take(), 44100.0f, 256);
  EXPECT_TRUE(r.started());
  r.app().ServiceRefreshQueue();
  EXPECT_THAT(r.messages().shownTexts(),
              ElementsAre("Second : You have several 'MidiToCv', 'Soundfont Player', or 'Drum Trigger' "
                          "modules together. Put each in it's own container."));
}

TEST(DocumentGraph, ValuesSummingAndBoundaries) {
  PatchBuilder b;
  CContainer* p = b.patch();
  // Three sources on one input become one sum: 1 V + 2 V - 0.5 V = 2.5 V.
  CUG* sum = b.Add("Test Cut", "Sum");
  for (const char* v : {"1", "2", "-0.5"}) {
    CUG* src = b.Add("Test Cut");
    PatchBuilder::SetValue(src, "In", v);
    ASSERT_TRUE(PatchBuilder::Connect(src, "Out", sum, "In"));
  }
  // An unconnected input with the document value 5 reads 0.5.
  CUG* five = b.Add("Test Cut", "Five");
  PatchBuilder::SetValue(five, "In", "5");
  // A container input that nothing outside drives passes its own value inside.
  CContainer* sub = b.AddContainer("Sub");
  CUG* inner = b.Add("Test Cut", "Inner", sub);
  CPlug2* sub_in = PatchBuilder::ExportInput(sub, inner, "In");
  sub_in->setValueText("3");
  CPlug2* sub_out = PatchBuilder::ExportOutput(sub, inner, "Out");
  CUG* after = b.Add("Test Cut", "After");
  ASSERT_NE(sub_out->connect(after->findPlug("In")), nullptr);
  PatchBuilder::ExportOutput(p, sum, "Out");
  PatchBuilder::ExportOutput(p, five, "Out");
  PatchBuilder::ExportOutput(p, after, "Out");
  OfflineRender r(b.Take(), 44100.0f, 64, 2, 3);
  ASSERT_TRUE(r.started());
  auto out = r.Render(256, {64});
  EXPECT_FLOAT_EQ(out[0][200], 0.25f);
  EXPECT_FLOAT_EQ(out[1][200], 0.5f);
  EXPECT_FLOAT_EQ(out[2][200], 0.3f);
  // One summing module: every "Test Cut" of the patch plus one adder in the root voice.
  int adders = 0;
  std::vector<ug_base*> all;
  r.app().engine_root()->CollectAll(all);
  for (ug_base* u : all) adders += u->document_module == nullptr && u->plugs.size() == 2 &&
                                   (u->plugs[1]->flags & UPLUG_COLLECTOR);
  EXPECT_EQ(adders, 1);
}

TEST(DocumentGraph, ChainSortOrdersAndDisabledModules) {
  PatchBuilder b;
  CUG* a = b.Add("Test Cut", "A");
  CUG* bb = b.Add("Test Cut", "B");
  CUG* c = b.Add("Test Cut", "C");
  CUG* off = b.Add("Test Cut", "Off");
  ASSERT_TRUE(PatchBuilder::Connect(a, "Out", bb, "In"));
  ASSERT_TRUE(PatchBuilder::Connect(bb, "Out", c, "In"));
  ASSERT_TRUE(PatchBuilder::Connect(c, "Out", off, "In"));
  off->setDisabledQuiet(true);
  OfflineRender r(b.Take(), 44100.0f, 64);
  ASSERT_TRUE(r.started());
  EXPECT_EQ(off->unitGenerator(), nullptr);
  ASSERT_NE(c->unitGenerator(), nullptr);
  EXPECT_EQ(c->unitGenerator()->sort_order, 0);
  EXPECT_EQ(bb->unitGenerator()->sort_order, 4);
  EXPECT_EQ(a->unitGenerator()->sort_order, 8);
  // Suspend: the engine goes, the document stays and forgets its unit generators.
  r.app().StopEngineVst();
  EXPECT_EQ(a->unitGenerator(), nullptr);
  EXPECT_EQ(a->getTitle(), "A");
}

TEST(DocumentGraph, FlattenedContainersRunInTheEnclosingVoiceWithTheirPatchContext) {
  PatchBuilder b;
  CContainer* hidden = b.AddContainer("Hidden");  // "Show Controls" Off: its own memories
  CContainer* shown = b.AddContainer("Shown");
  shown->findPlug("Show Controls")->setValueText("1");
  CUG* in_hidden = b.Add("Test Cut", "H", hidden);
  CUG* in_shown = b.Add("Test Cut", "S", shown);
  OfflineRender r(b.Take(), 44100.0f, 64);
  ASSERT_TRUE(r.started());
  ug_base* patch_ug = r.app().GetPatchContainer()->unitGenerator();
  ASSERT_NE(patch_ug, nullptr);
  EXPECT_EQ(in_hidden->unitGenerator()->patch_context, hidden->unitGenerator());
  EXPECT_EQ(in_shown->unitGenerator()->patch_context, patch_ug);
  // No voices of their own: both run in the root's single voice.
  EXPECT_EQ(in_hidden->unitGenerator()->container, r.app().engine_root());
  EXPECT_EQ(in_shown->unitGenerator()->container, r.app().engine_root());
  EXPECT_EQ(r.app().engine_root()->VoiceCount(), 1);
}

}  // namespace
}  // namespace kv::test
