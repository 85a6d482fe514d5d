// "8 Stage Env": segments run through their levels at their rates; "Sus Seg" holds, "End
// Seg" ramps to 0 and stops the envelope.
#include <gtest/gtest.h>

#include "modules/envelopes/eight_stage_envelope.h"
#include "tests/modules/envelopes/envelope_rig.h"

namespace kv::test {
namespace {

constexpr float kSr = 48000;
// Rates (volts) and end levels (volts) of segments 0..7.
constexpr double kRates[8] = {0, 1, 0.5, 2, 1.5, 0, 0, 0};
constexpr double kLevels[8] = {10, 3, 8, 5, 7, 2, 4, 6};

struct StageRig : FilterRig<ug_8_stage> {
  StageRig(int16_t sus, int16_t end, std::vector<std::pair<int64_t, float>> gate) : FilterRig(kSr) {
    f->sus_seg = sus;
    f->end_seg = end;
    Feed(ug_8_stage::kGate, Gate(e, std::move(gate)));
    for (int i = 0; i < 8; ++i) {
      Static(ug_8_stage::RatePlug(i), V(kRates[i]));
      Static(ug_8_stage::LevelPlug(i), V(kLevels[i]));
    }
    Static(ug_8_stage::kOverallLevel, V(10));
    out = Record(ug_8_stage::kSignalOut);
  }
  const std::vector<float>& Render(int64_t n) {
    Run(n);
    return out->samples;
  }
  Recorder* out;
};

// The sample at which each segment ends (its level first reached exactly), walking the
// segments in order from `from`.
std::vector<int64_t> SegmentEnds(const std::vector<float>& out, int first, int last, int64_t from) {
  std::vector<int64_t> ends;
  for (int s = first; s <= last; ++s) {
    const int64_t at = FirstAt(out, V(kLevels[s]), from);
    ends.push_back(at);
    from = at;
  }
  return ends;
}

// With "Sus Seg" None the envelope runs through every segment to "End Seg", ramps to 0 at
// that segment's rate and stops although the gate stays high.
TEST(EightStage, RunsThroughToEndSegWithoutSustain) {
  StageRig rig(ug_8_stage::kNoSustain, 4, {{0, 1.0f}});
  const auto& out = rig.Render(kSr * 2);
  const auto ends = SegmentEnds(out, 0, 3, 0);
  double prev_level = 0;
  int64_t prev_end = -1;
  for (int s = 0; s <= 3; ++s) {
    ASSERT_GE(ends[s], 0) << s;
    EXPECT_NEAR(ends[s] - prev_end, RampSamplesAt(kRates[s], V(kLevels[s]) - prev_level, kSr), 1.0) << s;
    prev_level = V(kLevels[s]);
    prev_end = ends[s];
  }
  const int64_t zero = FirstAt(out, 0.0f, ends[3]);
  EXPECT_NEAR(zero - ends[3], RampSamplesAt(kRates[4], prev_level, kSr), 1.0);
  EXPECT_EQ(out.back(), 0.0f);
  EXPECT_TRUE(rig.f->sleeping);
  EXPECT_EQ(rig.f->current_segment(), 4);
}

// "Sus Seg" 2 holds at Level 2 while the gate is high; the release continues with segment
// 3 and then the end segment.
TEST(EightStage, HoldsAtSusSegAndContinuesAfterRelease) {
  const int64_t off = 30000;
  StageRig rig(2, 4, {{0, 1.0f}, {off, 0.0f}});
  const auto& out = rig.Render(off + kSr);
  EXPECT_EQ(out[off - 1], V(kLevels[2]));
  EXPECT_EQ(rig.f->released(), true);
  const int64_t seg3 = FirstAt(out, V(kLevels[3]), off);
  EXPECT_NEAR(seg3 - off + 1, RampSamplesAt(kRates[3], V(kLevels[3]) - V(kLevels[2]), kSr), 1.0);
  const int64_t zero = FirstAt(out, 0.0f, seg3);
  EXPECT_NEAR(zero - seg3, RampSamplesAt(kRates[4], V(kLevels[3]), kSr), 1.0);
}

// A gate that falls before the sustain segment jumps straight to the end segment: the
// level falls from where it is at the end segment's rate.
TEST(EightStage, EarlyReleaseJumpsToTheEndSegment) {
  const int64_t off = 200;  // inside segment 0
  StageRig rig(2, 4, {{0, 1.0f}, {off, 0.0f}});
  const auto& out = rig.Render(kSr);
  const float present = out[off - 1];
  EXPECT_NEAR(out[off], present - SlopeAt(kRates[4], kSr), 1e-6);
  const int64_t zero = FirstAt(out, 0.0f, off);
  EXPECT_NEAR(zero - off + 1, RampSamplesAt(kRates[4], present, kSr), 1.0);
}

// Stored values outside the lists: "End Seg" counts as the nearest segment, "Sus Seg" as
// None. The envelope never indexes past its eight segments.
TEST(EightStage, OutOfRangeSegmentSettingsAreBounded) {
  struct Case {
    int16_t sus, end;
    int want_end;
  } cases[] = {{100, 300, 7}, {-5, -2, 0}, {7, 7, 7}};
  for (const Case& c : cases) {
    StageRig rig(c.sus, c.end, {{0, 1.0f}, {20000, 0.0f}});
    const auto& out = rig.Render(kSr * 2);
    EXPECT_EQ(rig.f->current_segment(), c.want_end) << c.sus << " " << c.end;
    EXPECT_EQ(out.back(), 0.0f) << c.sus << " " << c.end;
    EXPECT_TRUE(AllFinite(out));
  }
}

}  // namespace
}  // namespace kv::test
