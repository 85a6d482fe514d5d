#include "hosting/vst_transport.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

using namespace vst;

TEST(VstTransportTest, MusicalPositionFollowsTempoChangesAndBars) {
  VstTransport t;
  t.setSampleRate(48000.0);
  t.setTempo(120.0);
  t.setTimeSignature(3, 4);
  t.locate(0);
  t.setPlaying(true);

  const VstTimeInfo& first = t.timeInfo();
  EXPECT_TRUE(first.flags & kVstTransportChanged);
  EXPECT_TRUE(first.flags & kVstTransportPlaying);
  EXPECT_FALSE(t.timeInfo().flags & kVstTransportChanged);  // reported once

  t.advance(24000);  // half a second at 120 BPM: one quarter
  EXPECT_DOUBLE_EQ(t.timeInfo().ppqPos, 1.0);
  t.setTempo(60.0);
  t.advance(48000 * 5 / 2);  // two and a half seconds at 60 BPM: 2.5 quarters
  const VstTimeInfo& info = t.timeInfo();
  EXPECT_DOUBLE_EQ(info.ppqPos, 3.5);
  EXPECT_DOUBLE_EQ(info.barStartPos, 3.0);  // bars of three quarters
  EXPECT_DOUBLE_EQ(info.samplePos, 144000.0);
  EXPECT_EQ(info.timeSigNumerator, 3);
  EXPECT_EQ(info.timeSigDenominator, 4);
  EXPECT_DOUBLE_EQ(info.tempo, 60.0);

  // Not a signature or tempo: ignored.
  t.setTimeSignature(4, 3);
  t.setTimeSignature(0, 4);
  t.setTempo(0.0);
  t.setTempo(-5.0);
  EXPECT_EQ(t.timeInfo().timeSigDenominator, 4);
  EXPECT_EQ(t.timeInfo().timeSigNumerator, 3);
  EXPECT_DOUBLE_EQ(t.tempo(), 60.0);
}

}  // namespace
}  // namespace kv
