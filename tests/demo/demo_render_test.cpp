// The demo instrument played from its MIDI phrase through the built plug-in: every note
// sounds at the pitch the MIDI asks for, louder notes are louder, a held note's level
// follows the amplifier envelope's stages, released notes die away on the release time of
// the amplifier envelope, and the stereo pair carries one signal.
//
// The phrase (demo/phrase.mid, 120 bpm): eight arpeggio notes of 0.225 s every 0.25 s
// (A3 C4 E4 A4 C5 A4 E4 C4, velocities 70 75 80 85 ...), then chords at 2 s (velocity 96),
// 3 s (velocity 88) and 4 s (velocity 110, held to 5.75 s).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tools/audio_file.h"
#include "tools/render.h"

namespace kv {
namespace {

constexpr int kRate = 48000;

// Fundamental frequency by normalised autocorrelation: the first lag whose correlation
// reaches 90 % of the best one between 60 Hz and 1.2 kHz, refined by a parabola.
double fundamental(const std::vector<float>& x, double from_s, double to_s) {
  const size_t a = static_cast<size_t>(from_s * kRate), b = static_cast<size_t>(to_s * kRate);
  const int min_lag = kRate / 1200, max_lag = kRate / 60;
  std::vector<double> r(static_cast<size_t>(max_lag) + 2, 0.0);
  double best = 0;
  for (int lag = min_lag; lag <= max_lag + 1; ++lag) {
    double s = 0, e0 = 0, e1 = 0;
    for (size_t i = a; i + static_cast<size_t>(lag) < b; ++i) {
      s += double(x[i]) * x[i + static_cast<size_t>(lag)];
      e0 += double(x[i]) * x[i];
      e1 += double(x[i + static_cast<size_t>(lag)]) * x[i + static_cast<size_t>(lag)];
    }
    r[static_cast<size_t>(lag)] = s / std::sqrt(e0 * e1 + 1e-30);
    best = std::max(best, r[static_cast<size_t>(lag)]);
  }
  for (int lag = min_lag + 1; lag <= max_lag; ++lag) {
    const double y0 = r[lag - 1], y1 = r[lag], y2 = r[lag + 1];
    if (y1 >= 0.9 * best && y1 >= y0 && y1 >= y2) {
      const double shift = 0.5 * (y0 - y2) / (y0 - 2 * y1 + y2);
      return kRate / (lag + shift);
    }
  }
  return 0;
}

double rms(const std::vector<float>& x, double from_s, double to_s) {
  const size_t a = static_cast<size_t>(from_s * kRate), b = static_cast<size_t>(to_s * kRate);
  double s = 0;
  for (size_t i = a; i < b; ++i) s += double(x[i]) * x[i];
  return std::sqrt(s / double(b - a));
}

// A file name of its own for each render: ctest runs every test of a suite as its own
// process, so renders of one suite can run at the same time.
std::filesystem::path scratchWav(const char* stem) {
  std::random_device random;
  const uint64_t tag = (uint64_t{random()} << 32) ^ random();
  return std::filesystem::temp_directory_path() / (std::string(stem) + "-" + std::to_string(tag) + ".wav");
}

// Renders the demo with `o` (plug-in, rate and progress set here) into `audio`.
void renderDemo(RenderOptions o, const char* stem, AudioData& audio) {
  const auto path = scratchWav(stem);
  o.plugin = KV_DEMO_PLUGIN;
  o.output = path.string();
  o.rate = kRate;
  o.progress = false;
  std::string error;
  ASSERT_TRUE(renderWithPlugin(o, error)) << error;
  ASSERT_TRUE(readAudioFile(path.string(), audio, error)) << error;
  std::filesystem::remove(path);
}

double noteHz(int key) { return 440.0 * std::pow(2.0, (key - 69) / 12.0); }

class DemoRender : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const auto path = scratchWav("korvane-demo-test");
    RenderOptions o;
    o.plugin = KV_DEMO_PLUGIN;
    o.midiFile = KV_DEMO_MIDI;
    o.output = path.string();
    o.rate = kRate;
    o.progress = false;
    std::string error;
    ok_ = renderWithPlugin(o, error);
    ASSERT_TRUE(ok_) << error;
    ASSERT_TRUE(readAudioFile(path.string(), audio_, error)) << error;
    std::filesystem::remove(path);
  }
  static inline bool ok_ = false;
  static inline AudioData audio_;
};

TEST_F(DemoRender, EveryArpeggioNoteSoundsAtItsPitch) {
  ASSERT_EQ(audio_.channels.size(), 2u);
  const int keys[] = {57, 60, 64, 69, 72, 69, 64, 60};
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    const double start = 0.25 * i;
    const double hz = fundamental(audio_.channels[0], start + 0.06, start + 0.2);
    // The second oscillator sits 0.008 V (about 10 cents) above the first: their mix
    // reads within half a percent of the note.
    EXPECT_NEAR(hz / noteHz(keys[i]), 1.0, 0.005) << hz << " Hz";
  }
}

TEST_F(DemoRender, ReleasedNotesDieAway) {
  const auto& left = audio_.channels[0];
  // Each chord holds its level through its sustain.
  for (double at : {2.6, 3.6, 4.6}) EXPECT_GT(rms(left, at, at + 0.25), 0.03) << at;
  // The last chord ends at 5.75 s; the release (0.45 s to settle) leaves silence a second
  // later, and the render holds its two-second tail.
  EXPECT_LT(rms(left, 6.9, 7.7), 1e-4);
  EXPECT_NEAR(audio_.frames() / double(kRate), 7.75, 0.02);
}

// The same note at velocity 40 and at 120: the amplifier envelope's level follows the
// velocity, so the loud note is clearly louder, and each note is silent again after its
// release.
TEST(DemoVelocity, LouderNotesAreLouder) {
  RenderOptions o;
  o.notes = "69:0:1:40,69:2:1:120";
  AudioData audio;
  ASSERT_NO_FATAL_FAILURE(renderDemo(o, "korvane-demo-velocity", audio));
  const auto& left = audio.channels[0];
  const double soft = rms(left, 0.6, 0.9), loud = rms(left, 2.6, 2.9);
  EXPECT_GT(soft, 1e-3);
  EXPECT_GT(loud, 1.5 * soft) << soft << " " << loud;
  EXPECT_LT(rms(left, 1.8, 1.95), 1e-4);
  EXPECT_NEAR(fundamental(left, 2.3, 2.5) / 440.0, 1.0, 0.005);
}

// One held note with the filter wide open (Cutoff at 10 V) and no detune, so that the
// level follows the amplifier envelope alone: Attack 1 V, Decay 5 V, Sustain 8 V,
// Release 5.5 V on the envelope law T = 2^(10x - 20/3) s per full-scale change, through
// the amplifier's exponential response gain(r) = 1 - (1 - e^(-3(1-r))) / (1 - e^(-3)).
TEST(DemoEnvelope, TheAmplifierFollowsItsEnvelopeStages) {
  RenderOptions o;
  o.notes = "81:0:1:127";
  o.parameters = {{0, 1.0f}, {1, 0.0f}};  // Cutoff 10 V, Detune 0 V
  o.seconds = 1.6;
  AudioData audio;
  ASSERT_NO_FATAL_FAILURE(renderDemo(o, "korvane-demo-envelope", audio));
  const auto& x = audio.channels[0];

  // Level over two periods of the 880 Hz note, every 0.5 ms.
  const double window = 2.0 / 880.0;
  auto level = [&](double t) { return rms(x, t - window / 2, t + window / 2); };
  auto law = [](double v) { return 1 - (1 - std::exp(-3 * (1 - v / 10))) / (1 - std::exp(-3.0)); };
  auto fullScale = [](double volts) { return std::exp2(volts - 20.0 / 3.0); };
  const double attack = fullScale(1.0);                  // 19.7 ms to the peak
  const double decayEnd = attack + 0.2 * fullScale(5.0);  // down to 80 % 63 ms later
  const double releaseEnd = 1.0 + 0.8 * fullScale(5.5);  // 0.36 s after the note-off

  double peakAt = 0, peak = 0;
  for (double t = 0.002; t < 0.06; t += 0.0005)
    if (level(t) > peak) peak = level(t), peakAt = t;
  EXPECT_NEAR(peakAt, attack, 0.003);
  EXPECT_NEAR(level(attack / 2) / peak, law(5.0) / law(10.0), 0.03);

  // Sustain: flat, at the law's ratio to the peak; reached when the decay ends, not before.
  const double sustain = level(0.5);
  for (double t : {decayEnd + 0.01, 0.3, 0.7, 0.95}) EXPECT_NEAR(level(t) / sustain, 1.0, 0.01) << t;
  EXPECT_NEAR(sustain / peak, law(8.0) / law(10.0), 0.03);
  EXPECT_GT(level((attack + decayEnd) / 2) / sustain, 1.2);

  // Release: half-way down the ramp the level is the law's; silence once it ends.
  const double mid = 1.0 + 0.4 * fullScale(5.5);
  EXPECT_NEAR(level(mid) / sustain, law(4.0) / law(8.0), 0.03);
  EXPECT_GT(level(releaseEnd - 0.03), 1e-4);
  EXPECT_LT(rms(x, releaseEnd + 0.01, 1.6), 1e-5);
}

TEST_F(DemoRender, BothOutputsCarryTheVoiceSumAndStayFinite) {
  const auto& l = audio_.channels[0];
  const auto& r = audio_.channels[1];
  for (size_t i = 0; i < l.size(); ++i) {
    ASSERT_TRUE(std::isfinite(l[i])) << i;
    ASSERT_EQ(l[i], r[i]) << i;
  }
  EXPECT_GT(rms(l, 0, 5.75), 0.02);
}

}  // namespace
}  // namespace kv
