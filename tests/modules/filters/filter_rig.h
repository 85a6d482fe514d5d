#pragma once
// A filter under test: the module, its input sources and recorders of its outputs.
#include <cmath>
#include <limits>
#include <vector>

#include "tests/modules/filters/dsp_rig.h"

namespace kv::test {

template <typename F>
struct FilterRig {
  explicit FilterRig(float rate = 44100.0f, int host_block = 512) : e(host_block, rate), sr(rate) {
    f = e.Add<F>(10);
  }
  void Static(int plug, float value) { Wire(AddSteps(e, value), 0, f, plug); }
  void Feed(int plug, ug_base* source) { Wire(source, 0, f, plug); }
  Recorder* Record(int plug) {
    Recorder* r = e.Add<Recorder>(0);
    Wire(f, plug, r, 0);
    return r;
  }
  void Run(int64_t n, const std::vector<int>& calls = {512}) {
    e.Start();
    RunCalls(e, n, calls);
  }
  Engine e;
  float sr;
  F* f;
};

inline bool AnySubnormal(const std::vector<float>& x) {
  for (float v : x)
    if (std::fpclassify(v) == FP_SUBNORMAL) return true;
  return false;
}

inline bool AllFinite(const std::vector<float>& x) {
  for (float v : x)
    if (!std::isfinite(v)) return false;
  return true;
}

inline double MaxAbsDiff(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return std::numeric_limits<double>::infinity();
  double m = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) m = std::max(m, std::fabs(double(a[i]) - b[i]));
  return m;
}

// Compares a measured impulse response (scaled by 1/amplitude) with an analytic H(z) at
// the test frequencies: the difference in dB where the response is above `floor_db`,
// else the absolute difference relative to the peak. Answers the worst dB deviation.
template <typename H>
double WorstDbError(const std::vector<float>& h, double amplitude, double sr, H analytic,
                    double floor_db = -60.0, double top_hz = 20000.0) {
  double worst = 0.0;
  for (double hz : TestFrequencies()) {
    if (hz > top_hz || hz >= sr / 2) continue;
    const double want = std::abs(analytic(hz));
    const double got = std::abs(Response(h, hz, sr)) / amplitude;
    if (20.0 * std::log10(want) < floor_db) continue;
    worst = std::max(worst, std::fabs(20.0 * std::log10(got / want)));
  }
  return worst;
}

}  // namespace kv::test
