// "Midi to CV": the voltages of a note, bend, aftertouch, mono mode and portamento, at the
// samples the MIDI names whatever the host's call sizes, and note allocation over voices.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "tests/modules/midi/midi_rig.h"

namespace kv::test {
namespace {

constexpr float kStep = 0.007874016f;

int32_t On(int note, int velocity, int channel = 0) { return MidiEvent::Pack(0x90 | channel, note, velocity); }
int32_t Off(int note, int channel = 0) { return MidiEvent::Pack(0x80 | channel, note, 0); }
int32_t Bend(int value14, int channel = 0) {
  return MidiEvent::Pack(0xE0 | channel, value14 & 0x7F, (value14 >> 7) & 0x7F);
}

TEST(MidiToCv, NoteVoltagesLandOnTheirSamples) {
  ToCvPatch p(1, 6000);
  p.feed->records = {{1000, On(60, 100)}, {2000, Off(60)}, {2500, MidiEvent::Pack(0xD0, 64, 0)},
                     {3000, On(72, 127)}, {3001, Off(72)}, {4000, On(50, 90, 1)}};
  p.cv->channel_filter = 0;  // MIDI channel 1 only
  p.Start();
  Render(p.master, 6000, [] { return 512; });
  const auto& g = p.gate();
  // The gate rises 3 samples after the note-on and falls at the note-off.
  EXPECT_EQ(g[999], 0.0f);
  EXPECT_EQ(g[1002], 0.0f);
  EXPECT_EQ(g[1003], 1.0f);
  EXPECT_EQ(g[1999], 1.0f);
  EXPECT_EQ(g[2000], 0.0f);
  // Note 60 is 4.25 V; note 72 one octave (0.1) higher.
  EXPECT_FLOAT_EQ(p.pitch()[1000], 0.425f);
  EXPECT_FLOAT_EQ(p.pitch()[2999], 0.425f);
  EXPECT_FLOAT_EQ(p.pitch()[3000], 0.525f);
  EXPECT_EQ(p.velocity()[999], 0.0f);
  EXPECT_EQ(p.velocity()[1000], 100 * kStep);
  EXPECT_EQ(p.velocity()[3000], 127 * kStep);
  EXPECT_EQ(p.aftertouch()[2499], 0.0f);
  EXPECT_FLOAT_EQ(p.aftertouch()[2500], 64.0f / 127.0f);
  // A note-off one sample after its note-on: high for one sample, then low for good.
  EXPECT_EQ(g[3003], 1.0f);
  EXPECT_EQ(g[3004], 0.0f);
  EXPECT_EQ(g[5999], 0.0f) << "a note on another channel plays nothing";
  EXPECT_FLOAT_EQ(p.pitch()[5999], 0.525f);
}

TEST(MidiToCv, BendGlidesOverASixtiethOfASecond) {
  struct Case {
    int bend14;
    int range;
    float offset;  // pitch offset once the glide has ended
  };
  const Case cases[] = {
      {8192, 12, 0.0f},                          // centre
      {16383, 12, 8191.0f / 8192.0f * 0.1f},     // full up, an octave
      {0, 12, -0.1f},                            // full down
      {16383, 2, 8191.0f / 8192.0f * 2 / 120.0f},  // two semitones
  };
  for (const Case& c : cases) {
    ToCvPatch p(1, 6000);
    p.cv->bend_range = static_cast<int16_t>(c.range);
    p.feed->records = {{1000, On(60, 100)}, {2000, Bend(c.bend14)}};
    p.Start();
    Render(p.master, 6000, [] { return 512; });
    const int glide = static_cast<int>(0.016666668f * 48000.0f);  // 800 samples
    EXPECT_FLOAT_EQ(p.pitch()[1999], 0.425f) << c.bend14;
    EXPECT_NEAR(p.pitch()[2000 + glide - 1], 0.425f + c.offset, 1e-6) << c.bend14;
    EXPECT_NEAR(p.pitch()[5999], 0.425f + c.offset, 1e-6) << c.bend14;
    if (c.offset != 0.0f) {
      // Half way along the glide, half the offset.
      EXPECT_NEAR(p.pitch()[2000 + glide / 2 - 1], 0.425f + c.offset / 2, 1e-5) << c.bend14;
    }
  }
  // A note started while bent takes the channel's bend at once.
  ToCvPatch p(1, 3000);
  p.feed->records = {{500, Bend(16383)}, {1000, On(60, 100)}};
  p.Start();
  Render(p.master, 3000, [] { return 512; });
  EXPECT_NEAR(p.pitch()[1000], 0.425f + 8191.0f / 8192.0f * 0.1f, 1e-6);
}

TEST(MidiToCv, OutputIndependentOfHostCallSizes) {
  const auto render = [](std::function<int()> calls) {
    ToCvPatch p(4, 20000, 5.0f);
    auto& r = p.feed->records;
    std::mt19937 rng(7);
    for (int i = 0; i < 40; ++i) {
      const int64_t t = 100 + 450 * i + static_cast<int64_t>(rng() % 50);
      r.push_back({t, On(40 + static_cast<int>(rng() % 40), 1 + static_cast<int>(rng() % 127))});
      r.push_back({t + 300 + static_cast<int64_t>(rng() % 400), Off(40 + static_cast<int>(rng() % 40))});
      if (i % 3 == 0) r.push_back({t + 77, Bend(static_cast<int>(rng() % 16384))});
      if (i % 4 == 0) r.push_back({t + 91, MidiEvent::Pack(0xD0, static_cast<int>(rng() % 128), 0)});
    }
    p.Start();
    Render(p.master, 20000, calls);
    EXPECT_EQ(p.master.event_pool().dropped_non_essential(), 0);
    EXPECT_EQ(p.master.event_pool().dropped_essential(), 0);
    return std::vector<std::vector<float>>{p.gate(), p.pitch(), p.velocity(), p.aftertouch()};
  };
  const auto reference = render([] { return 128; });
  std::mt19937 rng(3);
  const std::pair<const char*, std::function<int()>> partitions[] = {
      {"1", [] { return 1; }},
      {"7", [] { return 7; }},
      {"100", [] { return 100; }},
      {"389", [] { return 3 * 128 + 5; }},
      {"random", [&rng] { return 1 + static_cast<int>(rng() % 700); }},
  };
  const char* outputs[] = {"gate", "pitch", "velocity", "aftertouch"};
  for (const auto& [name, calls] : partitions) {
    const auto got = render(calls);
    for (int o = 0; o < 4; ++o) {
      const auto m = std::mismatch(got[o].begin(), got[o].end(), reference[o].begin());
      EXPECT_TRUE(m.first == got[o].end())
          << outputs[o] << " in calls of " << name << " differs first at sample "
          << (m.first - got[o].begin()) << ": " << *m.first << " instead of " << *m.second;
    }
  }
}

TEST(MidiToCv, MonoModeLegatoKeepsTheGateAndRampsVelocity) {
  for (const int retrigger : {0, 1}) {
    ToCvPatch p(1, 6000);
    p.cv->mono_mode = 1;
    p.cv->retrigger = static_cast<int16_t>(retrigger);
    p.feed->records = {{1000, On(60, 10)}, {2000, On(64, 20)}, {2500, Off(60)}, {3000, Off(64)}};
    p.Start();
    Render(p.master, 6000, [] { return 100; });
    const auto& g = p.gate();
    EXPECT_EQ(g[1003], 1.0f);
    EXPECT_EQ(g[2000], retrigger ? 0.0f : 1.0f) << "legato note";
    EXPECT_EQ(g[2003], 1.0f);
    EXPECT_EQ(g[2600], 1.0f) << "releasing a key that is not sounding ends nothing";
    EXPECT_EQ(g[3000], 0.0f);
    EXPECT_FLOAT_EQ(p.pitch()[2000], 0.5f - 5.0f / 120.0f);
    // Velocity ramps from 0 to 10 over 11 x 60 samples, then from 10 to 20 over 11 x 60.
    EXPECT_NEAR(p.velocity()[1000 + 659], 10 * kStep, 1e-6);
    EXPECT_NEAR(p.velocity()[2000 + 329], 15 * kStep, 2e-3);
    EXPECT_LT(p.velocity()[2000 + 329], 20 * kStep);
    EXPECT_NEAR(p.velocity()[2000 + 659], 20 * kStep, 1e-6);
  }
}

TEST(MidiToCv, PortamentoGlidesOnlyWhileThePreviousNoteIsHeld) {
  const float volts = 5.0f;
  const double seconds = std::exp2(volts - 2.0 - 80.0 / 12.0);
  const int length = static_cast<int>(seconds * 48000.0 + 0.5);
  ASSERT_EQ(length, static_cast<int>(ug_midi_to_cv::PortamentoSeconds(volts) * 48000.0 + 0.5));
  ToCvPatch p(1, 20000, volts);
  p.feed->records = {{1000, On(60, 100)},  {5000, On(72, 100)}, {5100, Off(60)},
                     {9000, Off(72)},      {12000, On(48, 100)}};
  p.Start();
  Render(p.master, 20000, [] { return 64; });
  EXPECT_FLOAT_EQ(p.pitch()[1000], 0.425f) << "no previous note: a jump";
  EXPECT_NEAR(p.pitch()[5000 + length / 2 - 1], 0.475f, 1e-4) << "half way";
  EXPECT_FLOAT_EQ(p.pitch()[5000 + length - 1], 0.525f);
  EXPECT_FLOAT_EQ(p.pitch()[11999], 0.525f);
  EXPECT_FLOAT_EQ(p.pitch()[12000], 0.325f) << "previous note released: a jump";
  // The pitch streams for exactly the glide.
  EXPECT_EQ(p.cv->plugs[ug_midi_to_cv::kPitch]->state, ST_STOP);
}

TEST(MidiToCv, PolyphonicContainerAllocatesVoices) {
  ToCvPatch p(4, 8000);
  p.feed->records = {{1000, On(60, 100)}, {1010, On(64, 100)}, {1020, On(67, 100)},
                     {1030, On(71, 100)}, {2000, Off(64)},     {3000, On(74, 100)}};
  p.Start();
  Render(p.master, 8000, [] { return 333; });
  // Fresh voices in the order 0, 3, 2, 1; the released voice (3) takes the fifth note.
  EXPECT_EQ(p.box->voices[0]->note, 60);
  EXPECT_EQ(p.box->voices[3]->note, 74);
  EXPECT_EQ(p.box->voices[2]->note, 67);
  EXPECT_EQ(p.box->voices[1]->note, 71);
  // The gates of the voices sum where they leave the container.
  EXPECT_EQ(p.gate()[1040], 4.0f);
  EXPECT_EQ(p.gate()[2000], 3.0f);
  EXPECT_EQ(p.gate()[3003], 4.0f);
  // Each voice's own pitch.
  for (int v = 0; v < 4; ++v) {
    auto* cv = static_cast<ug_midi_to_cv*>(p.box->voices[v]->note_source);
    EXPECT_FLOAT_EQ(cv->plugs[ug_midi_to_cv::kPitch]->samples()[0],
                    ug_midi_to_cv::NotePitch(p.box->voices[v]->note))
        << v;
  }
}

}  // namespace
}  // namespace kv::test
