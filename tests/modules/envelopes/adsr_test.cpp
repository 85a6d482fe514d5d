// "ADSR": segment times and shapes against T = 2^(10x - 20/3) s per full-scale change,
// releases from every stage, retriggering, gate handling and the overall level.
#include <gtest/gtest.h>

#include "modules/envelopes/adsr.h"
#include "tests/modules/envelopes/envelope_rig.h"

namespace kv::test {
namespace {

struct Settings {
  double attack = 0, decay = 5, sustain = 7, release = 4, overall = 10;  // volts
};

struct AdsrRig : FilterRig<ug_adsr> {
  AdsrRig(const Settings& s, std::vector<std::pair<int64_t, float>> gate, float rate = 48000,
          bool streaming_gate = false, int64_t stream_until = -1)
      : FilterRig<ug_adsr>(rate) {
    Feed(ug_adsr::kGate, Gate(e, std::move(gate), streaming_gate, stream_until));
    Static(ug_adsr::kAttack, V(s.attack));
    Static(ug_adsr::kDecay, V(s.decay));
    Static(ug_adsr::kSustain, V(s.sustain));
    Static(ug_adsr::kRelease, V(s.release));
    Static(ug_adsr::kOverallLevel, V(s.overall));
    out = Record(ug_adsr::kSignalOut);
  }
  const std::vector<float>& Render(int64_t n) {
    Run(n);
    return out->samples;
  }
  Recorder* out;
};

TEST(Adsr, AttackReachesFullLevelInItsTimeAtEveryRate) {
  for (double attack : {0.0, 5.0, 10.0}) {
    for (float sr : {44100.0f, 48000.0f, 96000.0f}) {
      Settings s;
      s.attack = attack;
      s.sustain = 10;  // stays at full level after the attack
      const double want = FullScaleSeconds(attack) * sr;
      AdsrRig rig(s, {{0, 1.0f}}, sr);
      const auto& out = rig.Render(static_cast<int64_t>(want) + 1000);
      const int64_t full = FirstAt(out, 1.0f);
      ASSERT_GE(full, 0) << attack << " V at " << sr;
      EXPECT_NEAR(full + 1, want, 1.0) << attack << " V at " << sr;
      // Linear on the way: the level after k samples is k / (T x sr).
      const int64_t k = full / 2;
      EXPECT_NEAR(out[k], (k + 1) / want, 1e-4) << attack << " V at " << sr;
      EXPECT_GT(out[0], 0.0f);
    }
  }
}

TEST(Adsr, DecaysToSustainHoldsItAndSleeps) {
  const float sr = 48000;
  AdsrRig rig(Settings{}, {{0, 1.0f}}, sr);
  const auto& out = rig.Render(sr);
  const int64_t peak = FirstAt(out, 1.0f);
  const int64_t held = FirstAt(out, V(7.0), peak);
  ASSERT_GE(held, 0);
  EXPECT_NEAR(held - peak, RampSamplesAt(5.0, 0.3, sr), 1.0);
  for (int64_t i = held; i < static_cast<int64_t>(out.size()); ++i) ASSERT_EQ(out[i], V(7.0)) << i;
  EXPECT_TRUE(rig.f->sleeping);
  EXPECT_FALSE(rig.f->moving());
  EXPECT_EQ(rig.f->current_segment(), 1);
}

// Falling gates during the attack, the decay and the sustain: the release starts from the
// level present at that sample and falls at the Release rate to exactly 0.
TEST(Adsr, ReleaseStartsFromThePresentLevelInEveryStage) {
  const float sr = 48000;
  const float release_slope = SlopeAt(4.0, sr);
  for (int64_t off : {200, 1500, 20000}) {  // attack lasts ~470 samples, decay ~4540
    SCOPED_TRACE(off);
    AdsrRig rig(Settings{}, {{0, 1.0f}, {off, 0.0f}}, sr);
    const auto& out = rig.Render(off + 30000);
    const float present = out[off - 1];
    EXPECT_NEAR(out[off], present - release_slope, 1e-6);
    EXPECT_NEAR(out[off + 100], present - 101 * release_slope, 1e-5);
    const int64_t zero = FirstAt(out, 0.0f, off);
    ASSERT_GE(zero, 0);
    EXPECT_NEAR(zero - off + 1, RampSamplesAt(4.0, present, sr), 1.0);
    EXPECT_EQ(out.back(), 0.0f);
    EXPECT_TRUE(rig.f->sleeping);
  }
}

TEST(Adsr, RisingGateDuringReleaseRestartsTheAttackFromThePresentLevel) {
  const float sr = 48000;
  AdsrRig rig(Settings{}, {{0, 1.0f}, {10000, 0.0f}, {12000, 1.0f}}, sr);
  const auto& out = rig.Render(20000);
  const float present = out[11999];
  EXPECT_GT(present, 0.2f);
  EXPECT_NEAR(out[12000], present + SlopeAt(0.0, sr), 1e-6);
  const int64_t peak = FirstAt(out, 1.0f, 12000);
  EXPECT_NEAR(peak - 12000 + 1, RampSamplesAt(0.0, 1.0 - present, sr), 1.0);
}

// A streaming gate that rises and falls twice within one engine block (128 samples): the
// stages start at the crossing samples, exactly as with the same edges as static changes.
TEST(Adsr, StreamingGateEdgesTakeEffectAtTheirSamples) {
  const float sr = 48000;
  const std::vector<std::pair<int64_t, float>> gate = {{10, 1.0f}, {50, 0.0f}, {70, 1.0f}, {90, 0.0f}};
  AdsrRig streamed(Settings{}, gate, sr, true, 3000);
  AdsrRig stepped(Settings{}, gate, sr);
  const auto& a = streamed.Render(20000);
  const auto& b = stepped.Render(20000);
  EXPECT_EQ(a[9], 0.0f);
  EXPECT_NEAR(a[10], SlopeAt(0.0, sr), 1e-7);
  EXPECT_LT(a[50], a[49]);
  EXPECT_GT(a[70], a[69]);
  EXPECT_LT(a[90], a[89]);
  EXPECT_EQ(MaxAbsDiff(a, b), 0.0);
  EXPECT_TRUE(streamed.f->sleeping);  // the gate stopped streaming, the release ended
}

TEST(Adsr, OverallLevelScalesStaticallyAndPerSample) {
  const float sr = 48000;
  const std::vector<std::pair<int64_t, float>> gate = {{0, 1.0f}, {8000, 0.0f}};
  AdsrRig full(Settings{}, gate, sr);
  Settings half;
  half.overall = 5;
  AdsrRig scaled(half, gate, sr);
  // The same overall level as a stream: the streaming renderers multiply per sample.
  FilterRig<ug_adsr> streamed(sr);
  streamed.Feed(ug_adsr::kGate, Gate(streamed.e, gate));
  streamed.Static(ug_adsr::kAttack, V(0));
  streamed.Static(ug_adsr::kDecay, V(5));
  streamed.Static(ug_adsr::kSustain, V(7));
  streamed.Static(ug_adsr::kRelease, V(4));
  streamed.Feed(ug_adsr::kOverallLevel, AddClip(streamed.e, [](int64_t) { return V(5); }));
  Recorder* r = streamed.Record(ug_adsr::kSignalOut);
  streamed.Run(30000);
  const auto& a = full.Render(30000);
  const auto& b = scaled.Render(30000);
  for (std::size_t i = 0; i < a.size(); i += 97) {
    EXPECT_NEAR(b[i], 0.5f * a[i], 1e-6) << i;
    EXPECT_NEAR(r->samples[i], 0.5f * a[i], 1e-6) << i;
  }
  // Idle at 0 after the release, the output is 0 whatever the overall level: asleep.
  EXPECT_TRUE(streamed.f->sleeping);
}

// A segment whose target is the present level lasts one sample: with Sustain at 10 V the
// decay is a single sample at full level.
TEST(Adsr, SegmentAlreadyAtItsTargetLastsOneSample) {
  Settings s;
  s.sustain = 10;
  AdsrRig rig(s, {{0, 1.0f}}, 48000);
  const auto& out = rig.Render(2000);
  const int64_t peak = FirstAt(out, 1.0f);
  EXPECT_EQ(rig.f->current_segment(), 1);
  EXPECT_FALSE(rig.f->moving());
  for (int64_t i = peak; i < 2000; ++i) ASSERT_EQ(out[i], 1.0f);
}

// The note source's quick release (event 9) passes the sustain hold and ramps to 0 at the
// Release rate with the gate still high; the next rising gate starts a new attack.
TEST(Adsr, QuickReleaseRampsToZeroAndANewGateRestarts) {
  const float sr = 48000;
  AdsrRig rig(Settings{}, {{0, 1.0f}, {30000, 0.0f}, {30100, 1.0f}}, sr);
  rig.e.Start();
  RunCalls(rig.e, 10000, {512});
  PostQuickRelease(rig.f);
  RunCalls(rig.e, 40000 - 10000, {512});
  const auto& out = rig.out->samples;
  EXPECT_EQ(out[9999], V(7.0));
  EXPECT_NEAR(out[10000], V(7.0) - SlopeAt(4.0, sr), 1e-6);
  const int64_t zero = FirstAt(out, 0.0f, 10000);
  EXPECT_NEAR(zero - 10000 + 1, RampSamplesAt(4.0, 0.7, sr), 1.0);
  EXPECT_EQ(out[30050], 0.0f);  // the gate fell while released: nothing
  EXPECT_NEAR(out[30100], SlopeAt(0.0, sr), 1e-7);
}

// A voice that is reused starts idle at 0.
TEST(Adsr, ResumeStartsIdle) {
  AdsrRig rig(Settings{}, {{0, 1.0f}}, 48000);
  rig.e.Start();
  RunCalls(rig.e, 1000, {512});
  rig.f->Suspend();
  RunCalls(rig.e, 512, {512});
  rig.f->Resume();
  RunCalls(rig.e, 512, {512});
  EXPECT_EQ(rig.out->samples.back(), 0.0f);
  EXPECT_EQ(rig.f->level(), 0.0f);
  EXPECT_EQ(rig.f->current_segment(), 2);
}

}  // namespace
}  // namespace kv::test
