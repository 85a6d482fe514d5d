#include "tools/stress.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hosting/vst_event_buffer.h"
#include "hosting/vst_host.h"
#include "hosting/vst_plugin.h"
#include "platform/child_process.h"

namespace kv {

namespace {

constexpr int kMaxFrames = 4096;
constexpr int kMaxChannels = 64;
constexpr size_t kMaxFindings = 20;

// A small generator whose sequence is the same on every platform and library.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. n-1
  int below(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<uint64_t>(n)); }
  float unit() { return static_cast<float>(next() >> 40) / static_cast<float>(1 << 24); }
  bool chance(int percent) { return below(100) < percent; }

 private:
  uint64_t state_;
};

class Findings {
 public:
  void add(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++count_;
    if (texts_.size() < kMaxFindings) texts_.push_back(text);
  }
  int64_t count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return count_;
  }
  std::vector<std::string> texts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return texts_;
  }

 private:
  mutable std::mutex mutex_;
  int64_t count_ = 0;
  std::vector<std::string> texts_;
};

// The audio side: buffers, events and one process call at a time.
class AudioSide {
 public:
  AudioSide(VstPlugin& plugin, uint64_t seed, bool verbose, Findings& findings)
      : plugin_(plugin), random_(seed), verbose_(verbose), findings_(findings), events_(8) {
    const int inputs = std::clamp(plugin.numInputs(), 0, kMaxChannels);
    const int outputs = std::clamp(plugin.numOutputs(), 0, kMaxChannels);
    in_.assign(static_cast<size_t>(inputs), std::vector<float>(kMaxFrames, 0.0f));
    out_.assign(static_cast<size_t>(outputs), std::vector<float>(kMaxFrames, 0.0f));
    for (auto& c : in_) inPtr_.push_back(c.data());
    for (auto& c : out_) outPtr_.push_back(c.data());
    if (inPtr_.empty()) inPtr_.push_back(nullptr);
    if (outPtr_.empty()) outPtr_.push_back(nullptr);
  }

  // While set, the audio side makes no parameter writes (a chunk check is running).
  std::atomic<bool> quiet{false};
  std::atomic<bool> writing{false};
  std::atomic<int64_t> processCalls{0};
  // The block size last announced to the plug-in.
  std::atomic<int> announcedBlock{512};

  void waitForQuiet() {
    quiet.store(true, std::memory_order_seq_cst);
    while (writing.load(std::memory_order_seq_cst)) std::this_thread::yield();
  }

  void call(int64_t number) {
    vst::AEffect* e = plugin_.effect();
    // Up to the announced size (a host that announced nothing: 1024); now and then empty.
    const int announced = announcedBlock.load(std::memory_order_relaxed);
    const int frames = random_.chance(3) ? 0 : 1 + random_.below(std::clamp(announced > 0 ? announced : 1024, 1, kMaxFrames));

    // The events call comes every block, with or without events.
    events_.clear();
    // Events in time order, as hosts send them.
    const int n = random_.below(5);
    int deltas[4];
    for (int i = 0; i < n; ++i) deltas[i] = frames > 0 ? random_.below(frames) : 0;
    std::sort(deltas, deltas + n);
    for (int i = 0; i < n; ++i) {
      const int delta = deltas[i];
      const uint8_t note = static_cast<uint8_t>(36 + random_.below(48));
      switch (random_.below(5)) {
        case 0: events_.addMidi(delta, 0x90, note, static_cast<uint8_t>(1 + random_.below(127))); break;
        case 1: events_.addMidi(delta, 0x80, note, 64); break;
        case 2: events_.addMidi(delta, 0xB0, static_cast<uint8_t>(random_.below(128)), static_cast<uint8_t>(random_.below(128))); break;
        case 3: events_.addMidi(delta, 0xC0, static_cast<uint8_t>(random_.below(8)), 0); break;
        default: events_.addMidi(delta, 0xE0, 0, static_cast<uint8_t>(random_.below(128))); break;
      }
    }
    e->dispatcher(e, vst::effProcessEvents, 0, 0, events_.events(), 0.0f);

    // Automation playback: parameter writes from the audio thread.
    if (plugin_.numParams() > 0 && random_.chance(20)) {
      writing.store(true, std::memory_order_seq_cst);
      if (!quiet.load(std::memory_order_seq_cst)) {
        const int index = random_.below(plugin_.numParams());
        const float value = random_.unit();
        if (verbose_) std::fprintf(stderr, "audio %lld: setParameter %d %f\n", static_cast<long long>(number), index, value);
        e->setParameter(e, index, value);
      }
      writing.store(false, std::memory_order_seq_cst);
    }
    if (plugin_.numParams() > 0) (void)e->getParameter(e, random_.below(plugin_.numParams()));

    for (auto& c : in_)
      for (int f = 0; f < frames; ++f) c[f] = random_.unit() * 2.0f - 1.0f;
    for (auto& c : out_) std::fill_n(c.begin(), frames, 0.0f);
    const bool accumulate = e->process != nullptr && random_.chance(10);
    if (verbose_)
      std::fprintf(stderr, "audio %lld: %s %d frames, %d events\n", static_cast<long long>(number),
                   accumulate ? "process" : "processReplacing", frames, n);
    if (frames > 0) {
      if (accumulate)
        e->process(e, inPtr_.data(), outPtr_.data(), frames);
      else if (e->processReplacing)
        e->processReplacing(e, inPtr_.data(), outPtr_.data(), frames);
    }
    processCalls.fetch_add(1, std::memory_order_relaxed);

    for (size_t c = 0; c < out_.size(); ++c)
      for (int f = 0; f < frames; ++f)
        if (!std::isfinite(out_[c][f])) {
          findings_.add("process call " + std::to_string(number) + ": output " + std::to_string(c) +
                        " holds " + (std::isnan(out_[c][f]) ? "NaN" : "an infinite value") +
                        " at frame " + std::to_string(f));
          return;
        }
  }

 private:
  VstPlugin& plugin_;
  Random random_;
  bool verbose_;
  Findings& findings_;
  VstEventBuffer events_;
  std::vector<std::vector<float>> in_, out_;
  std::vector<float*> inPtr_, outPtr_;
};

// Where two chunks first differ, with the printable bytes around it, so that a finding
// names the value that changed.
std::string describeDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  auto around = [at](const std::vector<uint8_t>& bytes) {
    std::string text;
    const size_t from = at > 24 ? at - 24 : 0;
    for (size_t i = from; i < bytes.size() && i < at + 24; ++i)
      text += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
    return text;
  };
  return "at byte " + std::to_string(at) + " of " + std::to_string(a.size()) + " -> " +
         std::to_string(b.size()) + ": \"" + around(a) + "\" -> \"" + around(b) + "\"";
}

std::vector<float> parameterValues(VstPlugin& plugin) {
  std::vector<float> v;
  for (int i = 0; i < plugin.numParams(); ++i) v.push_back(plugin.parameter(i));
  return v;
}

// The user-interface side.
class UiSide {
 public:
  UiSide(VstPlugin& plugin, AudioSide& audio, uint64_t seed, bool verbose, bool oneThread,
         Findings& findings)
      : plugin_(plugin), audio_(audio), random_(seed), verbose_(verbose), oneThread_(oneThread),
        findings_(findings),
        chunks_(plugin.hasFlag(vst::effFlagsProgramChunks)) {}

  void call(int64_t number) {
    vst::AEffect* e = plugin_.effect();
    const int numParams = plugin_.numParams();
    const int numPrograms = plugin_.numPrograms();
    auto log = [&](const std::string& what) {
      if (verbose_) std::fprintf(stderr, "ui %lld: %s\n", static_cast<long long>(number), what.c_str());
    };
    const int r = random_.below(oneThread_ ? 125 : 100);
    if (r >= 100) {
      audio_.call(number);
    } else if (r < 22) {
      if (numParams == 0) return;
      const int index = random_.below(numParams);
      const float value = random_.chance(5) ? (random_.chance(50) ? -0.5f : 1.5f) : random_.unit();
      log("setParameter " + std::to_string(index) + " " + std::to_string(value));
      e->setParameter(e, index, value);
    } else if (r < 32) {
      if (numParams == 0) return;
      const int index = random_.below(numParams);
      log("parameter texts " + std::to_string(index));
      (void)plugin_.parameter(index);
      (void)plugin_.parameterName(index);
      (void)plugin_.parameterDisplay(index);
      (void)plugin_.parameterLabel(index);
      (void)plugin_.dispatch(vst::effCanBeAutomated, index);
    } else if (r < 42) {
      const int program = random_.below(numPrograms + 4) - 2;
      log("setProgram " + std::to_string(program));
      e->dispatcher(e, vst::effSetProgram, 0, program, nullptr, 0.0f);
      (void)plugin_.program();
    } else if (r < 45) {
      log("program names");
      char name[256] = {};
      std::snprintf(name, 25, "Stress %lld", static_cast<long long>(number));
      e->dispatcher(e, vst::effSetProgramName, 0, 0, name, 0.0f);
      (void)plugin_.currentProgramName();
      char other[256] = {};
      e->dispatcher(e, vst::effGetProgramNameIndexed, random_.below(numPrograms + 2), 0, other, 0.0f);
    } else if (r < 55) {
      if (!chunks_) return;
      const bool preset = random_.chance(40);
      log(std::string("chunk round trip, ") + (preset ? "program" : "bank"));
      roundTrip(number, preset);
    } else if (r < 59) {
      if (!chunks_) return;
      log("truncated chunk");
      truncatedChunk(number);
    } else if (r < 62) {
      if (!chunks_) return;
      if (saved_.empty() || random_.chance(30)) {
        log("save bank");
        saved_ = plugin_.chunk(false);
      } else {
        log("restore saved bank");
        plugin_.setChunk(saved_, false);
      }
    } else if (r < 70) {
      log("suspend");
      e->dispatcher(e, vst::effMainsChanged, 0, 0, nullptr, 0.0f);
    } else if (r < 78) {
      log("resume");
      e->dispatcher(e, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
    } else if (r < 82) {
      static const float rates[] = {0.0f, 22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f};
      const float rate = rates[random_.below(6)];
      log("setSampleRate " + std::to_string(rate));
      e->dispatcher(e, vst::effSetSampleRate, 0, 0, nullptr, rate);
    } else if (r < 86) {
      static const int sizes[] = {0, 1, 17, 64, 512, 1024, 4096};
      const int size = sizes[random_.below(7)];
      log("setBlockSize " + std::to_string(size));
      e->dispatcher(e, vst::effSetBlockSize, 0, size, nullptr, 0.0f);
      audio_.announcedBlock.store(size, std::memory_order_relaxed);
    } else {
      log("idle");
      e->dispatcher(e, vst::effIdle, 0, 0, nullptr, 0.0f);
    }
  }

 private:
  // get, set, get: the chunk must come back the same. Values are kept as the plug-in's
  // chunk holds them (texts may round a host's value), so parameter values are compared
  // between the first and a second round trip.
  void roundTrip(int64_t number, bool preset) {
    audio_.waitForQuiet();
    const std::vector<uint8_t> first = plugin_.chunk(preset);
    plugin_.setChunk(first, preset);
    const std::vector<float> before = parameterValues(plugin_);
    const std::vector<uint8_t> second = plugin_.chunk(preset);
    plugin_.setChunk(second, preset);
    const std::vector<float> after = parameterValues(plugin_);
    audio_.quiet.store(false);
    if (first != second) {
      findings_.add("call " + std::to_string(number) + ": the " + (preset ? "program" : "bank") +
                    " chunk changed when given back (" + std::to_string(first.size()) + " -> " +
                    std::to_string(second.size()) + " bytes)");
      return;
    }
    for (size_t i = 0; i < before.size() && i < after.size(); ++i)
      if (before[i] != after[i]) {
        findings_.add("call " + std::to_string(number) + ": parameter " + std::to_string(i) +
                      " changed across a chunk round trip (" + std::to_string(before[i]) + " -> " +
                      std::to_string(after[i]) + ")");
        return;
      }
  }

  void truncatedChunk(int64_t number) {
    audio_.waitForQuiet();
    const std::vector<uint8_t> whole = plugin_.chunk(false);
    if (whole.size() > 1) {
      std::vector<uint8_t> cut(whole.begin(), whole.begin() + 1 + random_.below(static_cast<int>(whole.size()) - 1));
      plugin_.setChunk(cut, false);
      const std::vector<uint8_t> after = plugin_.chunk(false);
      if (after != whole)
        findings_.add("call " + std::to_string(number) + ": a chunk cut to " + std::to_string(cut.size()) +
                      " bytes changed the state (" + describeDifference(whole, after) + ")");
    }
    audio_.quiet.store(false);
  }

  VstPlugin& plugin_;
  AudioSide& audio_;
  Random random_;
  bool verbose_;
  bool oneThread_;
  Findings& findings_;
  bool chunks_;
  std::vector<uint8_t> saved_;
};

int runStressCalls(const StressOptions& o) {
  VstHost host;
  VstLoadFailure failure;
  std::unique_ptr<VstPlugin> plugin = VstPlugin::load(o.plugin, host, failure);
  if (!plugin) {
    std::fprintf(stderr, "korvane-host: %s\n", failure.message.c_str());
    return 2;
  }
  Findings findings;
  plugin->setSampleRate(44100.0f);
  plugin->setBlockSize(512);
  vst::AEffect* e = plugin->effect();
  e->dispatcher(e, vst::effMainsChanged, 0, 1, nullptr, 0.0f);

  AudioSide audio(*plugin, o.seed ^ 0xA0D10A0D10ull, o.verbose, findings);
  UiSide ui(*plugin, audio, o.seed, o.verbose, !o.twoThreads, findings);
  if (o.twoThreads) {
    std::atomic<bool> stop{false};
    std::thread audioThread([&] {
      int64_t n = 0;
      while (!stop.load(std::memory_order_acquire)) audio.call(n++);
    });
    // The two sides keep pace: the user-interface side waits for one process call per two
    // of its own calls, so both sequences run interleaved however fast either side is.
    for (int64_t i = 0; i < o.calls; ++i) {
      ui.call(i);
      const auto since = std::chrono::steady_clock::now();
      while (audio.processCalls.load(std::memory_order_relaxed) < i / 2) {
        if (std::chrono::steady_clock::now() - since > std::chrono::seconds(10)) {
          findings.add("call " + std::to_string(i) + ": process calls stalled for 10 seconds");
          i = o.calls;
          break;
        }
        std::this_thread::yield();
      }
    }
    stop.store(true, std::memory_order_release);
    audioThread.join();
  } else {
    for (int64_t i = 0; i < o.calls; ++i) ui.call(i);
  }
  e->dispatcher(e, vst::effMainsChanged, 0, 0, nullptr, 0.0f);

  // The final bank must come back the same from a second instance.
  if (plugin->hasFlag(vst::effFlagsProgramChunks)) {
    const std::vector<uint8_t> bank = plugin->chunk(false);
    std::unique_ptr<VstPlugin> second = VstPlugin::load(o.plugin, host, failure);
    if (!second) {
      findings.add("a second instance could not be loaded: " + failure.message);
    } else {
      second->setChunk(bank, false);
      if (second->chunk(false) != bank)
        findings.add("a second instance given the final bank does not give the same bank back");
    }
  }

  std::printf("stress: %s, seed %llu: %lld host calls, %lld process calls, %lld findings\n",
              o.plugin.c_str(), static_cast<unsigned long long>(o.seed), static_cast<long long>(o.calls),
              static_cast<long long>(audio.processCalls.load()), static_cast<long long>(findings.count()));
  for (const std::string& f : findings.texts()) std::printf("  %s\n", f.c_str());
  std::fflush(stdout);
  return findings.count() == 0 ? 0 : 1;
}

}  // namespace

int runStressCommand(const StressOptions& o) {
  if (!o.separateProcess) return runStressCalls(o);
  const std::string self = currentExecutablePath();
  if (self.empty()) {
    std::fprintf(stderr, "korvane-host: cannot find this program to start the stress child; use --in-process\n");
    return 2;
  }
  std::vector<std::string> argv = {self, "stress", o.plugin, "--child", "--seed", std::to_string(o.seed),
                                   "--calls", std::to_string(o.calls)};
  if (!o.twoThreads) argv.push_back("--one-thread");
  if (o.verbose) argv.push_back("--verbose");
  std::fflush(stdout);
  const ChildResult child = runChildProcess(argv);
  if (!child.started) {
    std::fprintf(stderr, "korvane-host: %s\n", child.error.c_str());
    return 2;
  }
  if (child.exited) return child.exitCode;
  std::printf("stress: %s, seed %llu: the plug-in crashed (%s); repeat with --in-process --one-thread "
              "--seed %llu --calls %lld --verbose to follow the calls\n",
              o.plugin.c_str(), static_cast<unsigned long long>(o.seed), signalName(child.signal).c_str(),
              static_cast<unsigned long long>(o.seed), static_cast<long long>(o.calls));
  return 1;
}

}  // namespace kv
