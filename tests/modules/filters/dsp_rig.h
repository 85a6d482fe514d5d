#pragma once
// Test rig for the filter and amplifier modules: sources whose states and values the test
// controls (with Steps of the engine rig), a recorder, frequency-response helpers and the
// sox bridge.
//   Clip      - streams fn(t) until `stop_at`, then holds its last value (a one-off).
//   Response  - the complex response of a real impulse response at a frequency.
//   RunSox    - writes a float WAV, runs sox with arguments, reads the result.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "tests/support/engine_rig.h"
#include "tests/support/signal_rig.h"

namespace kv::test {

class Clip : public ug_base {
 public:
  ug_base* CreateObject() override { return new Clip; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsOut(&out, "Out"));
  }
  void Open() override {
    ug_base::Open();
    SetProcessFunction(&Clip::Write);
    plugs[0]->TransmitState(clock, ST_RUN);
    if (stop_at >= 0) PostRunFunction(stop_at, &Clip::Stop);
  }
  void Write(int offset, int count) {
    for (int i = 0; i < count; ++i) out[offset + i] = fn(clock + i);
  }
  void Stop() {
    const float v = fn(stop_at);
    held = v;
    SetProcessFunction(&Clip::Hold);
    RunOneThenStatic();
    plugs[0]->TransmitState(clock, ST_ONE_OFF);
  }
  void Hold(int offset, int count) {
    for (int i = 0; i < count; ++i) out[offset + i] = held;
  }
  std::function<float(int64_t)> fn = [](int64_t) { return 0.0f; };
  int64_t stop_at = -1;
  float held = 0.0f;
  float* out = nullptr;
};

inline Clip* AddClip(Engine& e, std::function<float(int64_t)> fn, int64_t stop_at = -1,
                     int order = 100) {
  Clip* c = e.Add<Clip>(order);
  c->fn = std::move(fn);
  c->stop_at = stop_at;
  return c;
}

// volts -> sample
constexpr float V(double volts) { return static_cast<float>(volts / 10.0); }

inline std::complex<double> Response(const std::vector<float>& h, double hz, double sr) {
  std::complex<double> acc = 0.0;
  const double w = 2.0 * std::numbers::pi * hz / sr;
  for (std::size_t n = 0; n < h.size(); ++n) acc += static_cast<double>(h[n]) * std::polar(1.0, -w * n);
  return acc;
}

inline std::complex<double> ZInv(double hz, double sr) {
  return std::polar(1.0, -2.0 * std::numbers::pi * hz / sr);
}

// Log-spaced test frequencies from 20 Hz to 20 kHz.
inline std::vector<double> TestFrequencies(int n = 31) {
  std::vector<double> f;
  for (int i = 0; i < n; ++i) f.push_back(20.0 * std::pow(1000.0, i / double(n - 1)));
  return f;
}

// ---- sox ---------------------------------------------------------------------------------

inline bool SoxAvailable() { return std::system("sox --version > /dev/null 2>&1") == 0; }

// Skips (or fails under CI=true) when sox is missing.
#define KV_REQUIRE_SOX()                                                          \
  do {                                                                            \
    if (!::kv::test::SoxAvailable()) {                                            \
      const char* ci = std::getenv("CI");                                         \
      if (ci && std::string(ci) == "true") FAIL() << "sox is required under CI";  \
      GTEST_SKIP() << "sox not installed";                                        \
    }                                                                             \
  } while (0)

inline void WriteFloatWav(const std::string& path, const std::vector<float>& x, int sr) {
  std::ofstream f(path, std::ios::binary);
  auto u32 = [&](uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
  const uint32_t bytes = static_cast<uint32_t>(x.size() * 4);
  f.write("RIFF", 4);
  u32(36 + bytes);
  f.write("WAVEfmt ", 8);
  u32(16);
  u16(3);  // IEEE float
  u16(1);
  u32(sr);
  u32(sr * 4);
  u16(4);
  u16(32);
  f.write("data", 4);
  u32(bytes);
  f.write(reinterpret_cast<const char*>(x.data()), bytes);
}

// The samples of the data chunk of a mono 32-bit float WAV.
inline std::vector<float> ReadFloatWav(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::vector<char> b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  std::vector<float> out;
  std::size_t p = 12;
  while (p + 8 <= b.size()) {
    uint32_t size;
    std::memcpy(&size, &b[p + 4], 4);
    if (std::memcmp(&b[p], "data", 4) == 0) {
      const std::size_t n = std::min<std::size_t>(size, b.size() - p - 8) / 4;
      out.resize(n);
      std::memcpy(out.data(), &b[p + 8], n * 4);
      return out;
    }
    p += 8 + size + (size & 1);
  }
  return out;
}

// Runs `sox in.wav -e floating-point -b 32 out.wav <effect>` on `x`.
inline std::vector<float> RunSox(const std::vector<float>& x, int sr, const std::string& effect) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("kv_sox_" + std::to_string(std::random_device{}()) + "_" +
                    std::to_string(std::random_device{}()));
  std::filesystem::create_directories(dir);
  const std::string in = (dir / "in.wav").string(), out = (dir / "out.wav").string();
  WriteFloatWav(in, x, sr);
  const std::string cmd = "sox -q " + in + " -e floating-point -b 32 " + out + " " + effect + " 2>/dev/null";
  const int rc = std::system(cmd.c_str());
  std::vector<float> y = rc == 0 ? ReadFloatWav(out) : std::vector<float>{};
  std::filesystem::remove_all(dir);
  return y;
}

}  // namespace kv::test
