// "Multistage Env" played through the plug-in's application: the drawn segments of the
// current program reach the envelope of every voice, a program switch and an edit while a
// note is held change what the voices play.
#include <gtest/gtest.h>

#include <cmath>

#include "document/model/env_edit_control.h"
#include "engine/ug_container.h"
#include "engine/voice.h"
#include "modules/envelopes/multistage_envelope.h"
#include "tests/support/offline_render.h"
#include "tests/support/patch_builder.h"

namespace kv::test {
namespace {

constexpr float kRate = 44100.0f;

// The first sample from `from` on whose value is within 1e-5 of `level`, or -1.
int64_t FirstAt(const std::vector<float>& out, int64_t from, float level) {
  for (int64_t i = from; i < static_cast<int64_t>(out.size()); ++i)
    if (std::fabs(out[i] - level) < 1e-5f) return i;
  return -1;
}

TEST(EnvEditRender, ProgramsEditsAndVoicesPlayTheDrawnSegments) {
  PatchBuilder b;
  CContainer* p = b.patch();
  CUG* notes = b.Add("Test Notes", "Notes");
  auto* env = dynamic_cast<Ctl_Env_Edit*>(b.Add("Multistage Env", "Env"));
  ASSERT_NE(env, nullptr);
  ASSERT_TRUE(PatchBuilder::Connect(notes, "Gate", env, "Gate"));
  ASSERT_NE(PatchBuilder::ExportInput(p, notes, "MIDI In"), nullptr);
  ASSERT_NE(PatchBuilder::ExportOutput(p, env, "Signal Out"), nullptr);
  p->findPlug("Polyphony")->setValueText("2");
  // Program 1: 10 ms to 10 V, 10 ms to 5 V and hold, 10 ms to 0.
  env->SetPatchValueText(0, "(0.01,1.0)S(0.02,0.5)(0.03,0.0)");
  // Program 2: 20 ms to 6 V, 20 ms to 3 V and hold, 10 ms to 0.
  env->SetPatchValueText(1, "(0.02,0.6)S(0.04,0.3)(0.05,0.0)");
  OfflineRender r(b.Take(), kRate, 512);
  ASSERT_TRUE(r.started());
  const std::vector<int> calls = RandomCallLengths(11, 64, 700);

  // Program 1, a note from sample 100 to 3000: each drawn point is reached on its sample.
  auto out = r.Render(5000, calls, {{100, 0x90, 60, 100}, {3000, 0x80, 60, 0}})[0];
  EXPECT_NEAR(FirstAt(out, 0, 1.0f), 100 + 441, 1);
  EXPECT_NEAR(FirstAt(out, 100 + 441, 0.5f), 100 + 882, 1);
  EXPECT_FLOAT_EQ(out[2000], 0.5f);  // held at the sustain point
  EXPECT_NEAR(FirstAt(out, 3000, 0.0f), 3000 + 441, 1);
  EXPECT_EQ(out[4999], 0.0f);

  // Program 2: the next note (on the other voice) plays its segments.
  p->setProgram(1);
  out = r.Render(5000, calls, {{6000, 0x90, 62, 100}})[0];
  EXPECT_NEAR(FirstAt(out, 0, 0.6f) + 5000, 6000 + 882, 1);
  EXPECT_FLOAT_EQ(out[9000 - 5000], 0.3f);
  // It is a voice copy that plays it.
  auto* box = dynamic_cast<ug_container*>(p->unitGenerator());
  ASSERT_NE(box, nullptr);
  ASSERT_EQ(box->VoiceCount(), 2);
  ug_envelope_ms* playing = nullptr;
  for (Voice* v : box->voices)
    for (ug_base* u : v->ugs)
      if (auto* e = dynamic_cast<ug_envelope_ms*>(u); e && e->level() != 0.0f) playing = e;
  ASSERT_NE(playing, nullptr);
  EXPECT_TRUE(playing->flags & UGF_CLONE);

  // An edit while the note holds: the hold moves to the new sustain level at the new slope
  // (|0.7 - 0.6| / 0.02 s = 5 per second, so 0.4 takes 3528 samples).
  env->setValueText("(0.02,0.6)S(0.04,0.7)(0.05,0.0)");
  out = r.Render(5000, calls)[0];  // the message arrives with the first call
  EXPECT_NEAR(FirstAt(out, 0, 0.7f), 3528, 1);
  EXPECT_FLOAT_EQ(out[4999], 0.7f);

  // Back to program 1: the held note keeps going, now towards 5 V.
  p->setProgram(0);
  out = r.Render(3000, calls)[0];
  EXPECT_FLOAT_EQ(out[2999], 0.5f);
  EXPECT_TRUE(r.messages().shownTexts().empty());
}

}  // namespace
}  // namespace kv::test
