// "Multistage Env" on the document side: the value text of its segments, the control that
// keeps one text per program, its selection parameters, and the lists it publishes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "document/model/env_edit_control.h"
#include "document/model/env_segment_text.h"
#include "engine/ug_base.h"
#include "engine/envelope_segment_list.h"
#include "tests/document/doc_fixture.h"

namespace kv::test {
namespace {

using ::testing::HasSubstr;

struct Seg {
  float time, level;
};

TEST(EnvSegmentText, ReadsGoodTexts) {
  struct Case {
    const char* text;
    std::vector<Seg> segments;
    int sustain;
  };
  const Case cases[] = {
      {"(0.1,1.0)S(0.4,0.8)(1.0,0.0)", {{0.1f, 1.0f}, {0.4f, 0.8f}, {1.0f, 0.0f}}, 1},
      {"(0.100000,1.000000)(0.400000,0.800000)", {{0.1f, 1.0f}, {0.4f, 0.8f}}, -1},
      {"S(0.5,-1)", {{0.5f, -1.0f}}, 0},  // one segment, itself the sustain point
      {" ( 0 , .5 ) S ( 2e-1 , +1 )\n", {{0.0f, 0.5f}, {0.2f, 1.0f}}, 1},
      {"(0.3,0.1)(0.3,0.2)(999,0)", {{0.3f, 0.1f}, {0.3f, 0.2f}, {999.0f, 0.0f}}, -1},  // equal times
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EnvSegmentText env;
    ASSERT_EQ(ReadEnvSegmentText(c.text, env), "");
    ASSERT_EQ(env.segments.size(), c.segments.size());
    for (std::size_t k = 0; k < c.segments.size(); ++k) {
      EXPECT_EQ(env.segments[k].end_time, c.segments[k].time) << k;
      EXPECT_EQ(env.segments[k].level, c.segments[k].level) << k;
    }
    EXPECT_EQ(env.sustain, c.sustain);
    // Written and read again, the text gives the same envelope.
    EnvSegmentText again;
    ASSERT_EQ(ReadEnvSegmentText(WriteEnvSegmentText(env), again), "");
    EXPECT_EQ(again.sustain, env.sustain);
    for (std::size_t k = 0; k < env.segments.size(); ++k) {
      EXPECT_FLOAT_EQ(again.segments[k].end_time, env.segments[k].end_time);
      EXPECT_FLOAT_EQ(again.segments[k].level, env.segments[k].level);
    }
  }
  EnvSegmentText def;
  ReadEnvSegmentText(kEnvDefaultText, def);
  EXPECT_EQ(WriteEnvSegmentText(def), "(0.100000,1.000000)S(0.400000,0.800000)(1.000000,0.000000)");
}

TEST(EnvSegmentText, RefusesMalformedTextsAndKeepsWhatItHad) {
  struct Case {
    std::string text;
    const char* reason;
  };
  std::string too_many;
  for (int i = 0; i <= kEnvMaxSegments; ++i) too_many += "(1,0)";
  const Case cases[] = {
      {"", "no segments"},
      {"   ", "no segments"},
      {"(0.1,1.0", "expected \")\" after the level of segment 0"},
      {"(0.1;1.0)", "expected \",\" after the end time of segment 0"},
      {"(x,1.0)", "expected the end time of segment 0 at character 2"},
      {"(0.1,)", "expected the level of segment 0"},
      {"(0.1,1.0)junk", "expected \"(\" at character 10"},
      {"(0.1,1.0)S", "expected \"(\" at character 11"},
      {"S(0.1,1.0)S(0.2,0.5)", "a second sustain mark"},
      {"(0.4,1.0)(0.2,0.5)", "the end time of segment 1 comes before the previous one"},
      {"(-0.1,1.0)", "the end time of segment 0 is outside 0 to 999 seconds"},
      {"(1000,1.0)", "outside 0 to 999 seconds"},
      {"(0.1,1.5)", "the level of segment 0 is outside -1 to 1"},
      {"(0.1,inf)", "expected the level of segment 0"},
      {"(nan,0)", "expected the end time of segment 0"},
      {"(1e999,0)", "expected the end time of segment 0"},
      {too_many, "more than 1000 segments"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    EnvSegmentText env;
    ReadEnvSegmentText("(0.5,0.5)", env);
    EXPECT_THAT(ReadEnvSegmentText(c.text, env), HasSubstr(c.reason));
    ASSERT_EQ(env.segments.size(), 1u);
    EXPECT_EQ(env.segments[0].end_time, 0.5f);
  }
}

struct EnvDoc : DocFixture {
  Ctl_Env_Edit* env = add<Ctl_Env_Edit>(root, "Multistage Env", "Env");
  std::vector<std::pair<float, float>> list() const {
    std::vector<std::pair<float, float>> out;
    for (const env_seg& s : env->segments()) out.emplace_back(s.end_time, s.level);
    return out;
  }
  std::string param(const char* name) { return env->findParameter(name)->getValueText(); }
  void setParam(const char* name, const std::string& text) { env->findParameter(name)->setValueText(text); }
};

TEST(EnvEditControl, NewModuleHoldsTheDefaultInEveryProgram) {
  EnvDoc d;
  ASSERT_NE(d.env, nullptr);
  EXPECT_EQ(d.env->GetPatchValueText(0), kEnvDefaultText);
  EXPECT_EQ(d.env->GetPatchValueText(127), kEnvDefaultText);
  EXPECT_EQ(d.list(), (std::vector<std::pair<float, float>>{{0.1f, 1.0f}, {0.4f, 0.8f}, {1.0f, 0.0f}}));
  EXPECT_EQ(d.env->sustainSegment(), 1);
  EXPECT_EQ(d.env->getDatatype(), dt_text);
  // An emptied text takes the default again.
  d.env->setValueText("(0.2,0.5)");
  d.env->setValueText("");
  EXPECT_EQ(d.env->GetPatchValueText(-1), kEnvDefaultText);
  EXPECT_EQ(d.env->segments().size(), 3u);
  EXPECT_TRUE(d.texts().empty());
}

TEST(EnvEditControl, MalformedTextIsRefusedWithAMessageAndChangesNothing) {
  EnvDoc d;
  d.env->setValueText("(0.2,0.5)S(0.3,0.25)");
  d.env->setValueText("(0.2,0.5)(0.1,0.25)");
  EXPECT_EQ(d.env->GetPatchValueText(-1), "(0.2,0.5)S(0.3,0.25)");
  EXPECT_EQ(d.list(), (std::vector<std::pair<float, float>>{{0.2f, 0.5f}, {0.3f, 0.25f}}));
  ASSERT_EQ(d.texts().size(), 1u);
  EXPECT_EQ(d.texts()[0],
            "Env : the envelope text was not taken: the end time of segment 1 comes before the previous one");
  // A malformed text that is already stored (a file, another program) leaves the list too.
  d.messages.clearShown();
  d.env->SetPatchValueText(-1, "(oops)");
  EXPECT_EQ(d.list(), (std::vector<std::pair<float, float>>{{0.2f, 0.5f}, {0.3f, 0.25f}}));
  EXPECT_EQ(d.texts().size(), 1u);
}

TEST(EnvEditControl, EachProgramKeepsItsTextAndASwitchReadsIt) {
  EnvDoc d;
  d.env->SetPatchValueText(0, "(0.1,1.0)(0.2,0.0)");
  d.env->SetPatchValueText(2, "(0.5,0.3)S(0.7,0.1)(0.9,0.0)");
  d.env->SetPatchValueText(3, "");
  EXPECT_EQ(d.list(), (std::vector<std::pair<float, float>>{{0.1f, 1.0f}, {0.2f, 0.0f}}));
  d.root->setProgram(2);
  EXPECT_EQ(d.list(), (std::vector<std::pair<float, float>>{{0.5f, 0.3f}, {0.7f, 0.1f}, {0.9f, 0.0f}}));
  EXPECT_EQ(d.env->sustainSegment(), 1);
  d.root->setProgram(3);  // empty: the default envelope
  EXPECT_EQ(d.env->getValueText(), kEnvDefaultText);
  EXPECT_EQ(d.env->segments().size(), 3u);
  d.root->setProgram(0);
  EXPECT_EQ(d.env->segments().size(), 2u);
  // "Ignore Program Change" keeps program 0's text whatever the container plays.
  d.env->findPlug("Ignore Program Change")->setValueText("1");
  d.root->setProgram(2);
  EXPECT_EQ(d.env->segments().size(), 2u);
}

TEST(EnvEditControl, SelectionParametersReadAndWriteTheSelectedSegment) {
  EnvDoc d;
  d.env->setValueText("(0.1,1.0)S(0.4,0.8)(1.0,0.0)");
  EXPECT_EQ(d.param("Cur Segment"), "0");
  EXPECT_EQ(d.param("Segment Rate"), "0.100");
  EXPECT_EQ(d.param("Segment Level"), "10.00");
  d.setParam("Cur Segment", "1");
  EXPECT_EQ(d.env->selectedSegment(), 1);
  EXPECT_EQ(d.param("Segment Rate"), "0.300");
  EXPECT_EQ(d.param("Segment Level"), "8.00");
  d.setParam("Cur Segment", "7");  // no such segment
  d.setParam("Cur Segment", "x");
  EXPECT_EQ(d.env->selectedSegment(), 1);
  // A new duration moves the end time, within the neighbours' end times.
  d.setParam("Segment Rate", "0.2");
  EXPECT_EQ(d.env->GetPatchValueText(-1), "(0.100000,1.000000)S(0.300000,0.800000)(1.000000,0.000000)");
  d.setParam("Segment Rate", "5");
  EXPECT_FLOAT_EQ(d.env->segments()[1].end_time, 1.0f);
  d.setParam("Segment Rate", "-3");
  EXPECT_FLOAT_EQ(d.env->segments()[1].end_time, 0.1f);
  // The level is set in volts and limited to -10..10 V; the first segment's too.
  d.setParam("Segment Level", "-4");
  EXPECT_FLOAT_EQ(d.env->segments()[1].level, -0.4f);
  d.setParam("Segment Level", "25");
  EXPECT_FLOAT_EQ(d.env->segments()[1].level, 1.0f);
  d.setParam("Cur Segment", "0");
  d.setParam("Segment Level", "5");
  EXPECT_FLOAT_EQ(d.env->segments()[0].level, 0.5f);
  EXPECT_EQ(d.env->sustainSegment(), 1);
  // The last segment may end as late as 999 seconds.
  d.setParam("Cur Segment", "2");
  d.setParam("Segment Rate", "5000");
  EXPECT_FLOAT_EQ(d.env->segments()[2].end_time, 999.0f);
  // A shorter text keeps the selection inside the list.
  d.env->setValueText("(0.2,1.0)");
  EXPECT_EQ(d.env->selectedSegment(), 0);
}

TEST(EnvEditControl, TheUnitGeneratorTakesTheStoreAndEditsPublishNewLists) {
  EnvDoc d;
  d.env->setValueText("(0.1,1.0)S(0.2,0.5)(0.3,0.0)");
  const auto& store = d.env->segmentStore();
  const std::size_t kept = store->KeptCount();
  d.env->setValueText("(0.1,0.9)");  // no engine: nothing is published
  EXPECT_EQ(store->KeptCount(), kept);
  ug_base* ug = d.env->createRuntime();
  ASSERT_NE(ug, nullptr);
  const EnvSegmentList* list = store->Acquire();
  ASSERT_EQ(list->records.size(), 2u);
  EXPECT_EQ(list->records[0].level, 0.9f);
  EXPECT_FLOAT_EQ(list->records[0].slope, 9.0f);
  EXPECT_EQ(list->records[0].kind, kEnvSegEnd);
  EnvSegmentStore::Release(list);
  d.env->setValueText("(0.1,1.0)S(0.2,0.5)(0.3,0.0)");
  list = store->Acquire();
  ASSERT_EQ(list->records.size(), 4u);
  EXPECT_EQ(list->records[1].kind, kEnvSegSustain);
  EXPECT_FLOAT_EQ(list->records[1].slope, 5.0f);
  EnvSegmentStore::Release(list);
  d.env->clearRuntime();
  delete ug;
}

}  // namespace
}  // namespace kv::test
