// Logic gates inside a polyphonic container (kept apart from the other logic tests: the
// voice rig has its own recorder).
#include <gtest/gtest.h>

#include "modules/logic/logic_gates.h"
#include "tests/support/voice_rig.h"

namespace kv::test {
namespace {

// A gate whose input comes from a voice runs in every voice, like any module with a
// voice-fed input.
TEST(LogicGate, AGateFedByAVoicePlaysInEveryVoice) {
  PolyPatch p(4);
  auto* g = static_cast<ug_logic_gate*>(p.b.Add(p.box, new ug_logic_OR));
  g->AddPlug(new UPlug(g, DR_IN, dt_volts));  // one plug per connected input, as the document makes them
  g->SetupPlugs();
  auto [outer, inner] = p.b.AddContainerIo(p.box, dt_volts);
  p.b.Connect(p.env->plugs[Env::kOut], g->plugs[ug_logic_gate::kFirstInput]);
  p.b.Connect(g->plugs[ug_logic_gate::kOutput], inner);
  p.Start();
  EXPECT_TRUE(g->flags & UGF_VOICE_DEPENDENT);
  p.RunTo(2048);
}

}  // namespace
}  // namespace kv::test
