// korvane-host end to end: the built binary against real third-party plug-ins (Debian's
// dpf-plugins-vst and dragonfly-reverb-vst) and the fixture plug-in, checking the audio
// it writes, read back with libsndfile.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "korvane_version.h"
#include "tests/tools/smf_builder.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

const char* const kKars = "/usr/lib/vst/Kars-vst.so";
const char* const kFreeverb = "/usr/lib/vst/MaFreeverb-vst.so";
const char* const kPlate = "/usr/lib/lxvst/DragonflyPlateReverb-vst.so";

bool onCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::string(ci) == "true";
}

// Debian's plug-ins are installed by the setup script: on CI their absence is a failure.
#define REQUIRE_FILE(path)                                                       \
  do {                                                                           \
    if (!fs::exists(path)) {                                                     \
      if (onCi()) FAIL() << "missing " << (path) << " (installed by setup.sh)";  \
      GTEST_SKIP() << "missing " << (path);                                      \
    }                                                                            \
  } while (0)

struct HostRun {
  int code = -1;
  std::string out;
  std::string err;
};

std::string readText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class KorvaneHost : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* build = std::getenv("KORVANE_BUILD_DIR");
    ASSERT_NE(build, nullptr) << "KORVANE_BUILD_DIR is not set";
    build_ = build;
    binary_ = build_ / "korvane-host";
    ASSERT_TRUE(fs::exists(binary_)) << binary_;
    dir_ = fs::temp_directory_path() / ("kv-host-test-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  // Runs korvane-host, or another program of the build.
  HostRun run(const std::vector<std::string>& args, const std::string& program = "korvane-host") const {
    std::string command = quote((build_ / program).string());
    for (const std::string& a : args) command += " " + quote(a);
    const fs::path out = dir_ / "stdout.txt", err = dir_ / "stderr.txt", code = dir_ / "code.txt";
    command = "(" + command + " </dev/null >" + quote(out.string()) + " 2>" + quote(err.string()) +
              "; echo $? >" + quote(code.string()) + ")";
    std::system(command.c_str());
    HostRun r;
    r.out = readText(out);
    r.err = readText(err);
    std::istringstream(readText(code)) >> r.code;
    return r;
  }

  // A text-form patch built into a copy of the plug-in with korvane-patch.
  std::string buildPatch(const std::string& name, const std::string& json) const {
    const std::string source = path(name + ".json"), built = path(name + ".so");
    std::ofstream(source) << json;
    const HostRun r = run({"build", source, "-o", built}, "korvane-patch");
    EXPECT_EQ(r.code, 0) << r.err;
    return built;
  }

  fs::path build_;
  fs::path binary_;
  fs::path dir_;
};

struct Wav {
  SF_INFO info{};
  std::vector<std::vector<float>> channels;
  int64_t frames() const { return channels.empty() ? 0 : static_cast<int64_t>(channels[0].size()); }
};

Wav readWav(const std::string& path) {
  Wav w;
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &w.info);
  EXPECT_NE(f, nullptr) << path << ": " << sf_strerror(nullptr);
  if (f == nullptr) return w;
  std::vector<float> all(static_cast<std::size_t>(w.info.frames * w.info.channels));
  sf_readf_float(f, all.data(), w.info.frames);
  sf_close(f);
  w.channels.assign(w.info.channels, std::vector<float>(static_cast<std::size_t>(w.info.frames)));
  for (sf_count_t i = 0; i < w.info.frames; ++i)
    for (int c = 0; c < w.info.channels; ++c) w.channels[c][i] = all[i * w.info.channels + c];
  return w;
}

void writeWav(const std::string& path, int rate, const std::vector<float>& mono) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr);
  sf_writef_float(f, mono.data(), static_cast<sf_count_t>(mono.size()));
  sf_close(f);
}

// Fundamental frequency by normalised autocorrelation over [from, to) samples: the
// shortest lag whose correlation comes within 10 % of the best, refined by a parabola.
// Searches 100 Hz to 1 kHz.
double fundamental(const std::vector<float>& x, int rate, std::size_t from, std::size_t to) {
  const int minLag = rate / 1000, maxLag = rate / 100;  // 100 Hz to 1 kHz
  std::vector<double> r(static_cast<std::size_t>(maxLag) + 2, 0.0);
  // Prefix sums of squares give each window's energy without another pass.
  std::vector<double> energy(x.size() + 1, 0.0);
  for (std::size_t i = 0; i < x.size(); ++i) energy[i + 1] = energy[i] + double(x[i]) * x[i];
  double best = 0.0;
  for (int lag = minLag; lag <= maxLag + 1; ++lag) {
    const std::size_t end = to - lag;
    double s = 0;
    for (std::size_t i = from; i < end; ++i) s += double(x[i]) * x[i + lag];
    const double e0 = energy[end] - energy[from], e1 = energy[end + lag] - energy[from + lag];
    r[lag] = e0 > 0 && e1 > 0 ? s / std::sqrt(e0 * e1) : 0.0;
    if (lag <= maxLag) best = std::max(best, r[lag]);
  }
  for (int lag = minLag + 1; lag <= maxLag; ++lag) {
    if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
      const double a = r[lag - 1], b = r[lag], c = r[lag + 1];
      const double denom = a - 2 * b + c;
      const double shift = denom != 0 ? 0.5 * (a - c) / denom : 0.0;
      return rate / (lag + shift);
    }
  }
  return 0.0;
}

int64_t onset(const std::vector<float>& x, float threshold = 1e-4f) {
  for (std::size_t i = 0; i < x.size(); ++i)
    if (std::fabs(x[i]) > threshold) return static_cast<int64_t>(i);
  return -1;
}

double rms(const std::vector<float>& x, std::size_t from, std::size_t to) {
  double s = 0;
  for (std::size_t i = from; i < to && i < x.size(); ++i) s += double(x[i]) * x[i];
  return to > from ? std::sqrt(s / double(to - from)) : 0.0;
}

double maxDifference(const std::vector<float>& a, const std::vector<float>& b) {
  double d = a.size() == b.size() ? 0.0 : INFINITY;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) d = std::max(d, double(std::fabs(a[i] - b[i])));
  return d;
}

TEST_F(KorvaneHost, InfoDescribesRealPlugIns) {
  REQUIRE_FILE(kKars);
  REQUIRE_FILE(kFreeverb);
  const HostRun kars = run({"info", kKars});
  EXPECT_EQ(kars.code, 0) << kars.err;
  for (const char* line : {"name: Kars\n", "unique id: 1145795187 (DKrs)\n", "category: synth\n",
                           "inputs: 0\n", "outputs: 1\n", "programs: 1\n", "parameters: 3\n",
                           "  0: Sustain = "})
    EXPECT_NE(kars.out.find(line), std::string::npos) << line << "\n" << kars.out;
  EXPECT_NE(kars.out.find("is-synth"), std::string::npos);

  const HostRun verb = run({"info", kFreeverb});
  EXPECT_EQ(verb.code, 0) << verb.err;
  for (const char* line : {"name: MaFreeverb\n", "inputs: 1\n", "outputs: 1\n", "parameters: 4\n",
                           "flags: 0x10 can-replace\n"})
    EXPECT_NE(verb.out.find(line), std::string::npos) << line << "\n" << verb.out;
}

// Kars is a plucked-string synth whose string is a whole number of samples long plus
// the delay of its loop filter, so at 48 kHz its pitch sits up to about two samples of
// period flat (433 Hz for A 440). The error shrinks with the sample rate, as it must
// if the host passes the rate correctly; a wrong rate or note would not shrink.
TEST_F(KorvaneHost, SynthRendersThePitchOfThePlayedNote) {
  REQUIRE_FILE(kKars);
  struct Case {
    int note;
    double hz;
  };
  for (const Case c : {Case{69, 440.0}, Case{60, 261.6256}}) {
    for (const int rate : {48000, 192000}) {
      SCOPED_TRACE(std::to_string(c.note) + " at " + std::to_string(rate));
      const std::string out = path("note.wav");
      const HostRun r = run({"render", kKars, "--notes", std::to_string(c.note) + ":0:1:100", "--rate",
                             std::to_string(rate), "--seconds", "1.5", "-o", out});
      ASSERT_EQ(r.code, 0) << r.err;
      const Wav w = readWav(out);
      EXPECT_EQ(w.info.samplerate, rate);
      ASSERT_EQ(w.info.channels, 1);  // Kars has one output
      EXPECT_EQ(w.frames(), rate * 3 / 2);
      EXPECT_EQ((w.info.format & SF_FORMAT_SUBMASK), SF_FORMAT_FLOAT);
      EXPECT_GT(rms(w.channels[0], 0, rate), 0.01);
      const double hz = fundamental(w.channels[0], rate, rate / 10, rate * 25 / 100);
      ASSERT_GT(hz, 0.0);
      std::printf("note %d at %d Hz: measured %.2f Hz\n", c.note, rate, hz);
      EXPECT_NEAR(rate / hz, rate / c.hz, 2.5);  // period in samples
      if (rate == 192000) {
        EXPECT_NEAR(hz, c.hz, c.hz * 0.005);
      }
    }
  }
}

TEST_F(KorvaneHost, MidiFilePlaysWithItsTempoMapLikeTheSameNoteList) {
  REQUIRE_FILE(kKars);
  // 100 BPM, changing to 60 BPM at tick 960 (1.2 s); the note starts at tick 1440
  // (2.2 s) and ends 480 ticks later (3.2 s), its note-off by running status.
  test::SmfTrack conductor;
  conductor.tempo(0, 600000).tempo(960, 1000000).end();
  test::SmfTrack notes;
  notes.event(1440, {0x90, 69, 100}).event(480, {69, 0}).end();
  const std::vector<uint8_t> smf = test::smfFile(1, 480, {conductor, notes});
  const std::string mid = path("tune.mid");
  std::ofstream(mid, std::ios::binary).write(reinterpret_cast<const char*>(smf.data()), smf.size());

  const HostRun fromMidi = run({"render", kKars, "--midi", mid, "-o", path("midi.wav")});
  ASSERT_EQ(fromMidi.code, 0) << fromMidi.err;
  const HostRun fromNotes = run({"render", kKars, "--notes", "69:2.2:1:100", "-o", path("notes.wav")});
  ASSERT_EQ(fromNotes.code, 0) << fromNotes.err;

  const Wav m = readWav(path("midi.wav"));
  const Wav n = readWav(path("notes.wav"));
  ASSERT_EQ(m.info.channels, 1);
  // Length: the end of the file plus the default two-second tail.
  EXPECT_EQ(m.frames(), (32 + 20) * 4800);
  // The note starts at its sample, inside a block (105600 = 206 * 512 + 128).
  const int64_t start = onset(m.channels[0]);
  EXPECT_GE(start, 105600);
  EXPECT_LE(start, 105600 + 4);
  EXPECT_NEAR(48000 / fundamental(m.channels[0], 48000, 110000, 130000), 48000 / 440.0, 2.5);
  // Same events at the same samples: the same sound.
  EXPECT_EQ(m.frames(), n.frames());
  EXPECT_LT(maxDifference(m.channels[0], n.channels[0]), 1e-6);
}

TEST_F(KorvaneHost, EffectRendersAnInputFile) {
  REQUIRE_FILE(kFreeverb);
  // A quarter second of 440 Hz, then silence: the reverb rings on into the silence.
  std::vector<float> input(48000, 0.0f);
  for (int i = 0; i < 12000; ++i) input[i] = 0.5f * std::sin(2 * M_PI * 440.0 * i / 48000.0);
  const std::string in = path("in.wav");
  writeWav(in, 48000, input);

  const HostRun r = run({"render", kFreeverb, "--in", in, "--tail", "0", "-o", path("wet.wav")});
  ASSERT_EQ(r.code, 0) << r.err;
  const Wav w = readWav(path("wet.wav"));
  ASSERT_EQ(w.info.channels, 1);
  EXPECT_EQ(w.frames(), 48000);
  EXPECT_GT(rms(w.channels[0], 0, 48000), 0.01);
  EXPECT_GT(maxDifference(w.channels[0], input), 0.05);
  EXPECT_GT(rms(w.channels[0], 24000, 48000), 1e-3);  // the tail in the silent half

  // Without --tail the render runs two seconds past the input.
  const HostRun longer = run({"render", kFreeverb, "--in", in, "-o", path("wet2.wav")});
  ASSERT_EQ(longer.code, 0) << longer.err;
  EXPECT_EQ(readWav(path("wet2.wav")).frames(), 48000 * 3);
}

TEST_F(KorvaneHost, Pcm16OutputHoldsTheSameSignal) {
  REQUIRE_FILE(kKars);
  // Volume down (parameter 2) so that no sample reaches full scale and clips.
  const HostRun f = run({"render", kKars, "--notes", "64:0:0.5:127", "--param", "2=0.3", "--seconds", "1",
                         "-o", path("f.wav")});
  const HostRun p = run({"render", kKars, "--notes", "64:0:0.5:127", "--param", "2=0.3", "--seconds", "1",
                         "--format", "pcm16", "-o", path("p.wav")});
  ASSERT_EQ(f.code, 0) << f.err;
  ASSERT_EQ(p.code, 0) << p.err;
  const Wav wf = readWav(path("f.wav"));
  const Wav wp = readWav(path("p.wav"));
  EXPECT_EQ((wp.info.format & SF_FORMAT_SUBMASK), SF_FORMAT_PCM_16);
  ASSERT_EQ(wp.frames(), wf.frames());
  EXPECT_GT(rms(wp.channels[0], 0, 24000), 0.01);
  double peak = 0;
  for (float v : wf.channels[0]) peak = std::max(peak, double(std::fabs(v)));
  EXPECT_LT(peak, 0.99);
  EXPECT_LT(maxDifference(wp.channels[0], wf.channels[0]), 1.01 / 32768.0);
}

TEST_F(KorvaneHost, ChunkOutThenChunkInRestoresTheState) {
  REQUIRE_FILE(kPlate);
  std::vector<float> input(24000, 0.0f);
  for (int i = 0; i < 2400; ++i) input[i] = (i % 100 < 50) ? 0.3f : -0.3f;
  const std::string in = path("in.wav");
  writeWav(in, 48000, input);
  const std::string c1 = path("c1.bin"), c2 = path("c2.bin");

  // Wet level up, saved as a chunk; a second render restores it from that chunk.
  const HostRun a = run({"render", kPlate, "--in", in, "--tail", "0", "--param", "1=0.9", "--chunk-out", c1,
                     "-o", path("a.wav")});
  ASSERT_EQ(a.code, 0) << a.err;
  const HostRun b = run({"render", kPlate, "--in", in, "--tail", "0", "--chunk-in", c1, "--chunk-out", c2,
                     "-o", path("b.wav")});
  ASSERT_EQ(b.code, 0) << b.err;
  const HostRun c = run({"render", kPlate, "--in", in, "--tail", "0", "-o", path("c.wav")});
  ASSERT_EQ(c.code, 0) << c.err;

  EXPECT_FALSE(readText(c1).empty());
  EXPECT_EQ(readText(c1), readText(c2));
  const Wav wa = readWav(path("a.wav")), wb = readWav(path("b.wav")), wc = readWav(path("c.wav"));
  ASSERT_EQ(wa.info.channels, 2);
  EXPECT_LT(maxDifference(wa.channels[0], wb.channels[0]), 1e-6);
  EXPECT_GT(maxDifference(wa.channels[0], wc.channels[0]), 1e-3);

  const HostRun preset = run({"render", kPlate, "--seconds", "0.1", "--preset-chunk", "--chunk-out", path("p.bin"),
                          "-o", path("p.wav")});
  ASSERT_EQ(preset.code, 0) << preset.err;
  EXPECT_FALSE(readText(path("p.bin")).empty());
}

// Parameter values travel through bank and program files and show in the parameter list.
TEST_F(KorvaneHost, StateMovesThroughBankAndProgramFiles) {
  const std::string bank = path("b.fxb"), program = path("p.fxp");
  const HostRun r = run({"render", KV_FIXTURE_MAIN, "--seconds", "0.05", "--param", "0=0.75",
                         "--automate", "1=0.125@0.02", "--fxb-out", bank, "--fxp-out", program,
                         "-o", path("s.wav")});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string b = readText(bank), p = readText(program);
  ASSERT_GT(b.size(), 160u);
  EXPECT_EQ(b.substr(0, 4), "CcnK");
  EXPECT_EQ(b.substr(8, 4), "FBCh");
  EXPECT_EQ(b.substr(16, 4), "KvFx");
  EXPECT_EQ(p.substr(8, 4), "FPCh");

  for (const std::string& option : {std::string("--fxb-in"), std::string("--fxp-in")}) {
    const HostRun list = run({"params", KV_FIXTURE_MAIN, option, option == "--fxb-in" ? bank : program});
    ASSERT_EQ(list.code, 0) << list.err;
    // The value set before the render and the one automated during it.
    EXPECT_NE(list.out.find("\t0.750000\t"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("\t0.125000\t"), std::string::npos) << list.out;
  }
  const HostRun wrongKind = run({"params", KV_FIXTURE_MAIN, "--fxb-in", program});
  EXPECT_EQ(wrongKind.code, 1);
  EXPECT_NE(wrongKind.err.find("program file, not a bank file"), std::string::npos) << wrongKind.err;

  // A plug-in without a state chunk: the existing file is left as it was.
  if (fs::exists(kKars)) {
    std::ofstream(path("keep.fxb")) << "keep";
    const HostRun none = run({"render", kKars, "--seconds", "0.05", "--fxb-out", path("keep.fxb"), "-o", path("k.wav")});
    EXPECT_EQ(none.code, 1);
    EXPECT_EQ(readText(path("keep.fxb")), "keep");
  }
}

TEST_F(KorvaneHost, AutomationChangesTheSoundFromItsBlockOn) {
  const char* const eq = "/usr/lib/vst/3BandEQ-vst.so";
  REQUIRE_FILE(eq);
  std::vector<float> input(48000);
  for (int i = 0; i < 48000; ++i) input[i] = (i % 96 < 48) ? 0.25f : -0.25f;
  writeWav(path("sq.wav"), 48000, input);
  // Master gain to its minimum half a second in (frame 24000, inside block 46 of 512).
  const HostRun r = run({"render", eq, "--in", path("sq.wav"), "--tail", "0", "--block", "512",
                         "--automate", "3=0@0.5", "-o", path("eq.wav")});
  ASSERT_EQ(r.code, 0) << r.err;
  const Wav w = readWav(path("eq.wav"));
  ASSERT_EQ(w.frames(), 48000);
  auto peak = [&](int from, int to) {
    double p = 0;
    for (int i = from; i < to; ++i) p = std::max(p, double(std::fabs(w.channels[0][i])));
    return p;
  };
  const double before = peak(20000, 23552), after = peak(30000, 48000);
  EXPECT_GT(before, 0.2);
  EXPECT_LT(after, before * 0.2) << before << " " << after;
}

// The stress command on plug-ins that keep their state: no findings, and a crash is caught.
TEST_F(KorvaneHost, StressRunsSeededHostCallSequences) {
  for (const char* plugin : {KV_FIXTURE_MAIN, KV_FIXTURE_ACCUMULATE}) {
    const HostRun r = run({"stress", plugin, "--seed", "11", "--calls", "3000"});
    EXPECT_EQ(r.code, 0) << plugin << r.out << r.err;
    EXPECT_NE(r.out.find("3000 host calls"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(", 0 findings"), std::string::npos) << r.out;
  }
  const HostRun single = run({"stress", KV_FIXTURE_MAIN, "--seed", "5", "--calls", "2000", "--one-thread", "--in-process"});
  EXPECT_EQ(single.code, 0) << single.out << single.err;
  const HostRun missing = run({"stress", "/nonexistent/plugin.so"});
  EXPECT_EQ(missing.code, 2);
}

TEST_F(KorvaneHost, NeverCallsEditorOpcodes) {
  // The fixture claims an editor and aborts on any editor opcode.
  const HostRun info = run({"info", KV_FIXTURE_MAIN});
  EXPECT_EQ(info.code, 0) << info.err;
  EXPECT_NE(info.out.find("has-editor"), std::string::npos) << info.out;
  const HostRun render = run({"render", KV_FIXTURE_MAIN, "--notes", "60:0:0.1:100", "--seconds", "0.2",
                              "--chunk-out", path("c.bin"), "-o", path("e.wav")});
  EXPECT_EQ(render.code, 0) << render.err;
}

TEST_F(KorvaneHost, FixtureRenderFeedsInputsAndWritesEveryOutput) {
  std::vector<float> input(1000);
  for (int i = 0; i < 1000; ++i) input[i] = static_cast<float>(i) / 2000.0f;
  const std::string in = path("ramp.wav");
  writeWav(in, 44100, input);
  const HostRun r = run({"render", KV_FIXTURE_ACCUMULATE, "--in", in, "--tail", "0", "--block", "100",
                     "-o", path("fx.wav")});
  ASSERT_EQ(r.code, 0) << r.err;
  const Wav w = readWav(path("fx.wav"));
  EXPECT_EQ(w.info.samplerate, 44100);  // the input's rate
  ASSERT_EQ(w.info.channels, 2);
  ASSERT_EQ(w.frames(), 1000);
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(w.channels[0][i], 0.25f + input[i]) << i;
    ASSERT_EQ(w.channels[1][i], 0.25f) << i;
  }
}

TEST_F(KorvaneHost, FailuresGiveOneLineAndANonZeroExit) {
  const std::string text = path("not-a-plugin.so");
  std::ofstream(text) << "hello\n";
  // A bank of a plug-in that stores parameter lists instead of a chunk.
  const std::string paramBank = path("params.fxb");
  std::ofstream(paramBank) << "CcnK" << std::string(4, '\0') << "FxBk" << std::string(200, '\1');
  const std::string out = path("never.wav");
  struct Case {
    std::vector<std::string> args;
    int code;
    const char* words;
    bool needsKars;
  };
  const Case cases[] = {
      {{"info", "/nonexistent/plugin.so"}, 1, "file not found", false},
      {{"info", text}, 1, "not a VST 2 plug-in", false},
      {{"info", KV_FIXTURE_NOENTRY}, 1, "not a VST 2 plug-in (it exports neither", false},
      {{"info", KV_FIXTURE_BADMAGIC}, 1, "not a VST 2 plug-in", false},
      {{"info", KV_FIXTURE_NULL}, 1, "refused to load", false},
      {{"render", "/nonexistent/plugin.so", "-o", out}, 1, "file not found", false},
      {{"render", kKars, "-o", out, "--notes", "200:0:1:100"}, 1, "out of range", true},
      {{"render", kKars, "-o", out, "--midi", path("missing.mid")}, 1, "cannot open", true},
      {{"render", kKars, "-o", out, "--midi", text}, 1, "no MThd", true},
      {{"render", kKars, "-o", out, "--param", "7=0.5"}, 1, "has 3 parameters", true},
      {{"render", kKars, "-o", out, "--program", "3"}, 1, "has 1 programs", true},
      {{"render", kKars, "-o", out, "--chunk-out", path("c.bin")}, 1, "keeps no state chunk", true},
      {{"render", kKars, "-o", out, "--in", path("missing.wav")}, 1, "cannot read", true},
      {{}, 2, "no command", false},
      {{"frobnicate"}, 2, "unknown command", false},
      {{"render", kKars}, 2, "needs an output file", false},
      {{"render", kKars, "-o", out, "--rate", "fast"}, 2, "--rate", false},
      {{"render", kKars, "-o", out, "--param", "1=2"}, 2, "--param", false},
      {{"render", kKars, "-o", out, "--format", "mp3"}, 2, "--format", false},
      {{"render", kKars, "-o", out, "--bogus"}, 2, "unknown option --bogus", false},
      {{"render", kKars, "-o", out, "--automate", "1=0.5"}, 2, "--automate", false},
      {{"render", kKars, "-o", out, "--automate", "1=0.5@-2"}, 2, "--automate", false},
      {{"render", kKars, "-o", out, "--chunk-in", "a", "--fxb-in", "b"}, 2, "only one of", false},
      {{"params", kKars, "-o", out}, 2, "is a render option", false},
      {{"params"}, 2, "needs a plug-in", false},
      {{"stress"}, 2, "needs a plug-in", false},
      {{"stress", kKars, "--calls", "0"}, 2, "--calls", false},
      {{"render", kKars, "-o", out, "--automate", "5=0.5@1"}, 1, "has 3 parameters", true},
      {{"params", KV_FIXTURE_MAIN, "--fxb-in", text}, 1, "CcnK", false},
      {{"params", KV_FIXTURE_MAIN, "--fxb-in", paramBank}, 1, "stores a parameter list", false},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const auto& a : c.args) joined += a + " ";
    SCOPED_TRACE(joined);
    if (c.needsKars && !fs::exists(kKars) && !onCi()) continue;
    const HostRun r = run(c.args);
    EXPECT_EQ(r.code, c.code) << r.err;
    const std::string first = r.err.substr(0, r.err.find('\n'));
    EXPECT_EQ(first.rfind("korvane-host: ", 0), 0u) << r.err;
    EXPECT_NE(first.find(c.words), std::string::npos) << r.err;
    if (c.code == 1) {
      EXPECT_EQ(r.err, first + "\n");  // exactly one line
    } else {
      EXPECT_NE(r.err.find("usage:"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(out));
  }
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

TEST_F(KorvaneHost, VersionComesFromTheBuild) {
  const HostRun r = run({"--version"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, std::string("korvane-host ") + kKorvaneVersion + "\n");
}

// A container holding `children` and `connections` (JSON lists), with the given unique id.
std::string patchText(const std::string& id, const std::string& children, const std::string& connections) {
  return R"({"header": {"unique_id": ")" + id + R"(", "plugin_flags": 1}, "root": {"children": [
    {"type": "Container", "title": "P", "children": )" + children + R"(, "connections": )" + connections + "}]}}";
}

// The engine refuses a patch with a loop when it starts: a host shows the refusal, and so do
// render (from the plug-in's idle time) and check (which starts the engine briefly).
TEST_F(KorvaneHost, AFeedbackPatchSaysSoOnRenderAndCheck) {
  const std::string loop = patchText("KvFb", R"([{"type": "Oscillator", "title": "Osc"}, {"type": "VCA", "title": "Amp"}])",
                                     R"([{"from": ["Osc", "Audio Out"], "to": ["Amp", "Signal"]},
                                         {"from": ["Amp", "Output"], "to": ["Osc", "Pitch"]},
                                         {"from": ["Amp", "Output"], "to": ["IO Mod", "Out"]}])");
  const std::string plugin = buildPatch("loop", loop);
  const HostRun render = run({"render", plugin, "--seconds", "0.1", "--no-progress", "-o", path("loop.wav")});
  EXPECT_NE(render.err.find("FEEDBACK path"), std::string::npos) << render.err;
  EXPECT_NE(render.err.find("P.Amp -> P.Osc"), std::string::npos) << render.err;
  for (const std::string& file : {path("loop.json"), plugin}) {
    const HostRun check = run({"check", file}, "korvane-patch");
    EXPECT_EQ(check.code, 1) << file;
    EXPECT_NE(check.err.find("FEEDBACK path"), std::string::npos) << file << ": " << check.err;
  }
  // A patch without a loop starts quietly.
  const std::string plain = patchText("KvPl", R"([{"type": "Oscillator", "title": "Osc"}])",
                                      R"([{"from": ["Osc", "Audio Out"], "to": ["IO Mod", "Out"]}])");
  const HostRun quiet = run({"check", buildPatch("plain", plain)}, "korvane-patch");
  EXPECT_EQ(quiet.code, 0) << quiet.err;
  EXPECT_EQ(quiet.err, "");
}

// MIDI controllers reach panel controls as 14-bit values: controller 7 at 64 puts a 0-10 V
// slider at 64 x 128 / 16256 of its range (5.04 V), not at the top.
TEST_F(KorvaneHost, ControllerSevenAtHalfSetsASliderToHalfItsRange) {
  const std::string plugin =
      buildPatch("cc", patchText("KvCc", R"([{"type": "MIDI Automator", "title": "Auto"},
                                             {"type": "Slider", "title": "Level", "plugs": {"MIDI Controller ID": "7"}}])",
                                 R"([{"from": ["IO Mod", "MIDI In"], "to": ["Auto", "MIDI In"]},
                                     {"from": ["Level", "Signal Out"], "to": ["IO Mod", "Out"]}])"));
  test::SmfTrack t;
  t.event(0, {0xB0, 7, 64}).end(480);
  const std::vector<uint8_t> smf = test::smfFile(0, 480, {t});
  std::ofstream(path("cc.mid"), std::ios::binary).write(reinterpret_cast<const char*>(smf.data()), smf.size());
  const HostRun r = run({"render", plugin, "--midi", path("cc.mid"), "--tail", "0.2", "--no-progress", "-o", path("cc.wav")});
  ASSERT_EQ(r.code, 0) << r.err;
  const Wav w = readWav(path("cc.wav"));
  ASSERT_GT(w.frames(), 0);
  EXPECT_NEAR(w.channels[0].back(), 64 * 128 / 16256.0, 1e-6);  // 1.0 is 10 V
}

// The MIDI a plug-in sends comes out as a standard MIDI file that midicsv reads, one tick
// per frame of the render.
TEST_F(KorvaneHost, MidiOutWritesWhatThePluginSendsAtItsFrames) {
  const std::string plugin =
      buildPatch("thru", patchText("KvTh", R"([{"type": "MIDI Filter", "title": "Thru"}, {"type": "Oscillator", "title": "Osc"}])",
                                   R"([{"from": ["IO Mod", "MIDI In"], "to": ["Thru", "MIDI In"]},
                                       {"from": ["Thru", "MIDI Out"], "to": ["IO Mod", "MIDI Out"]},
                                       {"from": ["Osc", "Audio Out"], "to": ["IO Mod", "Out"]}])"));
  test::SmfTrack t;
  t.event(0, {0x90, 60, 100}).event(480, {0x80, 60, 0}).event(0, {0xB0, 7, 64}).end();
  const std::vector<uint8_t> smf = test::smfFile(0, 480, {t});
  std::ofstream(path("in.mid"), std::ios::binary).write(reinterpret_cast<const char*>(smf.data()), smf.size());
  const HostRun r = run({"render", plugin, "--midi", path("in.mid"), "--tail", "0.1", "--rate", "44100",
                         "--midi-out", path("out.mid"), "--no-progress", "-o", path("thru.wav")});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string csvCommand =
      "midicsv " + quote(path("out.mid")) + " >" + quote(path("out.csv")) + " 2>&1";
  ASSERT_EQ(std::system(csvCommand.c_str()), 0) << readText(path("out.csv"));
  const std::string csv = readText(path("out.csv"));
  // Half a second (480 ticks at 120 beats a minute) is frame 22050; the render is 0.6 s long.
  for (const char* line : {"0, 0, Header, 0, 1, 441\n", "1, 0, Tempo, 10000\n", "1, 0, Note_on_c, 0, 60, 100\n",
                           "1, 22050, Note_off_c, 0, 60, 0\n", "1, 22050, Control_c, 0, 7, 64\n", "1, 26460, End_track\n"})
    EXPECT_NE(csv.find(line), std::string::npos) << line << "in\n" << csv;
}


// A logic gate and a comparator in a built patch: the AND of a sine and a triangle read
// through the logic thresholds (high above 3.333 V, low below 1.667 V, else unchanged) and
// their comparison, checked sample by sample against the two oscillators rendered beside them.
TEST_F(KorvaneHost, GateAndComparatorFollowTheirInputsInARenderedPatch) {
  const std::string plugin = buildPatch(
      "logic", patchText("KvLg", R"([{"type": "Oscillator", "title": "Sine", "plugs": {"Waveform": "0"}},
                                     {"type": "Oscillator", "title": "Tri", "plugs": {"Waveform": "3", "Pitch": "4.3"}},
                                     {"type": "AND Gate", "title": "And"},
                                     {"type": "Comparator", "title": "Cmp", "plugs": {"Hi Out Val": "2", "Lo Out Val": "-3"}}])",
                         R"([{"from": ["Sine", "Audio Out"], "to": ["IO Mod", "Sine"]},
                             {"from": ["Tri", "Audio Out"], "to": ["IO Mod", "Tri"]},
                             {"from": ["Sine", "Audio Out"], "to": ["And", "Input"]},
                             {"from": ["Tri", "Audio Out"], "to": ["And", "Input#2"]},
                             {"from": ["And", "Output"], "to": ["IO Mod", "Gate"]},
                             {"from": ["Sine", "Audio Out"], "to": ["Cmp", "Input A"]},
                             {"from": ["Tri", "Audio Out"], "to": ["Cmp", "Input B"]},
                             {"from": ["Cmp", "Output"], "to": ["IO Mod", "Compared"]}])"));
  const HostRun r = run({"render", plugin, "--seconds", "0.1", "--block", "300", "--no-progress", "-o", path("logic.wav")});
  ASSERT_EQ(r.code, 0) << r.err;
  const Wav w = readWav(path("logic.wav"));
  ASSERT_EQ(w.channels.size(), 4u);
  ASSERT_GT(w.frames(), 4000);
  bool high[2] = {false, false};
  int gate_changes = 0;
  for (int64_t t = 0; t < w.frames(); ++t) {
    const float sine = w.channels[0][t], tri = w.channels[1][t];
    for (int k = 0; k < 2; ++k) {
      const float x = k == 0 ? sine : tri;
      if (x > 1.0f / 3.0f) high[k] = true;
      if (x < 1.0f / 6.0f) high[k] = false;
    }
    const float gate = high[0] && high[1] ? 0.5f : 0.0f;
    ASSERT_EQ(w.channels[2][t], gate) << "sample " << t;
    ASSERT_EQ(w.channels[3][t], sine > tri ? 0.2f : -0.3f) << "sample " << t;
    if (t > 0 && w.channels[2][t] != w.channels[2][t - 1]) ++gate_changes;
  }
  EXPECT_GT(gate_changes, 10);  // the gate does open and close
}

}  // namespace
}  // namespace kv
