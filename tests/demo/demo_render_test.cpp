// The demo instrument played from its MIDI phrase through the built plug-in: every note
// sounds at the pitch the MIDI asks for, louder notes are louder, released notes die away
// on the release time of the amplifier envelope, and the stereo pair carries one signal.
//
// The phrase (demo/phrase.mid, 120 bpm): eight arpeggio notes of 0.225 s every 0.25 s
// (A3 C4 E4 A4 C5 A4 E4 C4, velocities 70 75 80 85 ...), then chords at 2 s (velocity 96),
// 3 s (velocity 88) and 4 s (velocity 110, held to 5.75 s).
#include <gtest/gtest.h>

#include <cmath>
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

double noteHz(int key) { return 440.0 * std::pow(2.0, (key - 69) / 12.0); }

class DemoRender : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // A name of its own: ctest runs the tests of this suite as separate processes at once.
    const auto path = std::filesystem::temp_directory_path() /
                      ("korvane-demo-test-" + std::to_string(std::random_device{}()) + ".wav");
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
  const auto path = std::filesystem::temp_directory_path() / "korvane-demo-velocity.wav";
  RenderOptions o;
  o.plugin = KV_DEMO_PLUGIN;
  o.notes = "69:0:1:40,69:2:1:120";
  o.output = path.string();
  o.rate = kRate;
  o.progress = false;
  std::string error;
  ASSERT_TRUE(renderWithPlugin(o, error)) << error;
  AudioData audio;
  ASSERT_TRUE(readAudioFile(path.string(), audio, error)) << error;
  std::filesystem::remove(path);
  const auto& left = audio.channels[0];
  const double soft = rms(left, 0.6, 0.9), loud = rms(left, 2.6, 2.9);
  EXPECT_GT(soft, 1e-3);
  EXPECT_GT(loud, 1.5 * soft) << soft << " " << loud;
  EXPECT_LT(rms(left, 1.8, 1.95), 1e-4);
  EXPECT_NEAR(fundamental(left, 2.3, 2.5) / 440.0, 1.0, 0.005);
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
