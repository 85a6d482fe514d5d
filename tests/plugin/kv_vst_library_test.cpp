// The built library with a patch of panel controls, loaded as a host loads it: parameters
// from the patch's sliders, automation reaching the sound, chunks moving between two
// instances byte for byte, and the odd call orders of real hosts.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "hosting/vst_host.h"
#include "hosting/vst_plugin.h"

namespace kv {
namespace {

std::unique_ptr<VstPlugin> load(VstHost& host) {
  VstLoadFailure failure;
  std::unique_ptr<VstPlugin> p = VstPlugin::load(KV_KVVST_LIBRARY, host, failure);
  EXPECT_NE(p, nullptr) << failure.message;
  return p;
}

// Runs `blocks` calls of `frames` and answers the last sample of each output.
std::vector<float> play(VstPlugin& p, int blocks, int frames = 256) {
  std::vector<std::vector<float>> out(static_cast<size_t>(p.numOutputs()), std::vector<float>(static_cast<size_t>(frames), 9.0f));
  std::vector<float*> ptr;
  for (auto& c : out) ptr.push_back(c.data());
  float* in[1] = {nullptr};
  for (int b = 0; b < blocks; ++b) p.process(in, ptr.data(), frames);
  std::vector<float> last;
  for (auto& c : out) last.push_back(c.back());
  return last;
}

TEST(KvVstLibrary, ShowsThePatchAndItsControls) {
  VstHost host;
  auto p = load(host);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->effectName(), "KvVst Test");
  EXPECT_EQ(fourCharacterText(p->uniqueId()), "KvVt");
  EXPECT_EQ(p->numOutputs(), 2);
  EXPECT_EQ(p->numPrograms(), 1);
  ASSERT_EQ(p->numParams(), 2);
  EXPECT_EQ(p->parameterName(0), "Cutoff");
  EXPECT_EQ(p->parameterName(1), "Volume");
  EXPECT_TRUE(p->hasFlag(vst::effFlagsProgramChunks));
  EXPECT_EQ(p->canDo("bypass"), 0);
}

TEST(KvVstLibrary, AutomationChangesTheOutput) {
  VstHost host;
  auto p = load(host);
  ASSERT_NE(p, nullptr);
  p->setSampleRate(48000);
  p->setBlockSize(256);
  p->resume();
  const std::vector<float> before = play(*p, 4);
  p->setParameter(1, 0.8f);  // "Volume", the first output
  const std::vector<float> after = play(*p, 40);
  EXPECT_NE(after[0], before[0]);
  EXPECT_EQ(after[1], before[1]);  // "Cutoff" untouched
  EXPECT_TRUE(std::isfinite(after[0]));
  p->suspend();
  EXPECT_FLOAT_EQ(p->parameter(1), 0.8f);
}

TEST(KvVstLibrary, ChunksAreByteIdenticalAcrossInstances) {
  VstHost host;
  auto a = load(host);
  auto b = load(host);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  a->setParameter(0, 0.3f);
  a->setParameter(1, 0.6f);
  for (bool preset : {false, true}) {
    const std::vector<uint8_t> bytes = a->chunk(preset);
    ASSERT_FALSE(bytes.empty());
    b->setChunk(bytes, preset);
    EXPECT_EQ(b->chunk(preset), bytes) << preset;
  }
  EXPECT_NEAR(b->parameter(0), 0.3f, 1e-3);
  EXPECT_NEAR(b->parameter(1), 0.6f, 1e-3);
  // While running, too.
  b->resume();
  play(*b, 2);
  b->setChunk(a->chunk(false), false);
  play(*b, 2);
  EXPECT_EQ(b->chunk(false), a->chunk(false));
  b->suspend();
}

TEST(KvVstLibrary, OddCallOrdersNeitherCrashNorLoseState) {
  VstHost host;
  auto p = load(host);
  ASSERT_NE(p, nullptr);
  p->setParameter(0, 0.25f);
  EXPECT_EQ(play(*p, 1)[0], 0.0f);  // before resume: silence
  p->setSampleRate(0);
  p->setBlockSize(0);
  p->resume();
  p->resume();
  play(*p, 3, 1);
  play(*p, 3, 4096);
  p->setSampleRate(96000);
  play(*p, 3);
  p->suspend();
  p->suspend();
  EXPECT_FLOAT_EQ(p->parameter(0), 0.25f);
}

#ifdef KV_STRESS_SYNTH
// A host value the engine took, then a program change from the host while audio runs: the
// value stays with the program it was set in, and the program switched to keeps its own,
// whether the host's idle call comes before or after the engine follows the switch.
TEST(KvVstLibrary, ProgramChangesWhileRunningKeepEachProgramsValues) {
  for (const bool idleFirst : {true, false}) {
    VstHost host;
    VstLoadFailure failure;
    std::unique_ptr<VstPlugin> p = VstPlugin::load(KV_STRESS_SYNTH, host, failure);
    ASSERT_NE(p, nullptr) << failure.message;
    int32_t level = -1;
    for (int32_t i = 0; i < p->numParams(); ++i)
      if (p->parameterName(i) == "Level") level = i;
    ASSERT_GE(level, 0);
    auto idle = [&] { p->effect()->dispatcher(p->effect(), vst::effIdle, 0, 0, nullptr, 0.0f); };
    EXPECT_FLOAT_EQ(p->parameter(level), 0.25f);  // program 0 "Soft": 2.5 of 0..10
    p->setSampleRate(44100);
    p->setBlockSize(128);
    p->resume();
    play(*p, 2, 128);
    p->setParameter(level, 0.4f);
    play(*p, 1, 128);  // the engine takes it and asks for a refresh
    ASSERT_TRUE(p->setProgram(1));
    if (idleFirst) idle();
    play(*p, 2, 128);  // the engine follows the switch
    idle();
    play(*p, 1, 128);
    idle();
    EXPECT_NEAR(p->parameter(level), 0.75f, 1e-4) << idleFirst;  // program 1 "Bright": 7.5
    ASSERT_TRUE(p->setProgram(0));
    play(*p, 2, 128);
    idle();
    EXPECT_NEAR(p->parameter(level), 0.4f, 1e-4) << idleFirst;
    p->suspend();
  }
}
#endif

}  // namespace
}  // namespace kv
