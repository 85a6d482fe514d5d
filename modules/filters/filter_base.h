#pragma once
// FilterBase: what every filter of the family does the same way.
//
// Plugs. Each filter's plug 0 is its "Signal" input; "Pitch", "Resonance" and "Freq
// Scale" are declared alike throughout the family (SignalIn, PitchIn, ResonanceIn,
// FreqScaleParameter).
//
// Static signal. A filter can come to rest only while its Signal is static. At open the
// input's own state may still be the one-off every connection starts with while its
// source has already begun to stream, so SignalStatic asks the source as well.
//
// Settling. A filter starts unsettled. Its settle check (the filter's SettleCheck, run
// at times the filter chooses) decides when the states have reached the static Signal;
// Settle then makes the outputs constants for a full block, reports them static and lets
// the filter sleep. Any input change wakes a settled filter (Unsettle) and schedules the
// check again.
#include <initializer_list>
#include <vector>

#include "engine/declaration_builder.h"
#include "engine/ug_base.h"

namespace kv::filters {

class FilterBase : public ug_base {
 public:
  bool settled() const { return settled_; }

 protected:
  static constexpr int kSignalPlug = 0;
  static constexpr const char* kPitchHelp =
      "Controls the Filter's 'Cutoff'. 1 Volt per Octave or 1 Volt / kHz switchable";
  static constexpr const char* kOctavePitchHelp = "Controls the Filter's 'Cutoff'. 1 Volt per Octave";
  static constexpr const char* kResonanceHelp = "Emphasises the Cutoff frequency";

  static DeclarationBuilder SignalIn(float** samples);
  static DeclarationBuilder PitchIn(float** samples, const char* help = kPitchHelp);
  static DeclarationBuilder ResonanceIn(float** samples, const char* help = kResonanceHelp);
  static DeclarationBuilder FreqScaleParameter(int16_t* freq_scale);

  bool Streams(int plug) const { return plugs[plug]->state == ST_RUN; }
  // Neither the Signal input nor its source streams.
  bool SignalStatic() const;

  // An input changed: a settled filter wakes, and `check` runs at `at`.
  template <class Filter>
  void Unsettle(sample_clock at, void (Filter::*check)()) {
    if (!settled_) return;
    settled_ = false;
    PostRunFunction(at, check);
  }

  // At rest: `constant` writes the outputs' constant values; after one full block of them
  // the filter sleeps. The outputs report a one-off change.
  template <class Filter>
  void Settle(void (Filter::*constant)(int, int), std::initializer_list<int> outputs) {
    settled_ = true;
    SetProcessFunction(constant);
    RunOneThenStatic();
    for (int o : outputs) plugs[o]->TransmitState(clock, ST_ONE_OFF);
  }

  bool settled_ = true;
};

}  // namespace kv::filters
