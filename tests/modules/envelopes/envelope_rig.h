#pragma once
// An envelope under test: gate, rate, level and overall sources the test controls, a
// recorder of "Signal Out", and the analytic segment times.
#include <cmath>
#include <vector>

#include "engine/event.h"
#include "modules/envelopes/envelope_rates.h"
#include "tests/modules/filters/filter_rig.h"

namespace kv::test {

// Seconds a full-scale change takes at rate voltage `volts`: 2^(volts - 20/3).
inline double FullScaleSeconds(double volts) { return std::exp2(volts - 20.0 / 3.0); }

// Samples of a ramp over `distance` (1.0 = 10 V) at rate `volts`.
inline double RampSamplesAt(double volts, double distance, double sr) {
  return std::fabs(distance) * FullScaleSeconds(volts) * sr;
}

// The level change per sample the engine uses at rate `volts`.
inline float SlopeAt(double volts, double sr) {
  return envelopes::RateToSlope(V(volts), 1.0f / static_cast<float>(sr));
}

// The first index from `from` at which x equals `value` exactly; -1 when none.
inline int64_t FirstAt(const std::vector<float>& x, float value, int64_t from = 0) {
  for (std::size_t i = static_cast<std::size_t>(from); i < x.size(); ++i)
    if (x[i] == value) return static_cast<int64_t>(i);
  return -1;
}

// A gate that is high (10 V) from each `on` time to the following `off` time; static
// one-offs, or the same shape streamed sample by sample until `stream_until`.
inline ug_base* Gate(Engine& e, std::vector<std::pair<int64_t, float>> changes, bool streaming = false,
                     int64_t stream_until = -1) {
  if (!streaming) {
    float initial = 0.0f;
    if (!changes.empty() && changes.front().first == 0) {
      initial = changes.front().second;
      changes.erase(changes.begin());
    }
    return AddSteps(e, initial, changes);
  }
  return AddClip(e, [changes](int64_t t) {
    float v = 0.0f;
    for (const auto& [at, value] : changes)
      if (t >= at) v = value;
    return v;
  }, stream_until);
}

// Posts a quick release (event 9) to `u` at the master's clock (a sleeping module's own
// clock stays where it fell asleep).
inline void PostQuickRelease(ug_base* u) {
  u->AddEvent(u->master->clock, UET_QUICK_RELEASE, 0, 0, nullptr, 64);
}

}  // namespace kv::test
