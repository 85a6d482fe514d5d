#pragma once
// ug_filter_1pole ("1 Pole LP") and ug_filter_1pole_hp ("1 Pole HP"): one-pole low-pass
// y := x + a (y - x), with a = exp(-2 pi fc / sr); the high-pass outputs x - y.
//
// The coefficient comes from the "1 pole l" table for pitches of 0..10 V (1 V/octave)
// and from the formula otherwise, with fc limited to 0.495 of the sample rate. A static
// Pitch sets it on each change; a streaming Pitch per sample (its own process function).
//
// Settling. The filter is "settled" when its state equals its static input. After any
// change of an input a settle check runs (at once, then once a second while it fails): a
// non-finite state is reset to 0; with a static Signal whose value the state has reached
// (it would not change in one more step, or lies within 1e-6), the state snaps to the
// input, the output becomes a constant (the input for the low-pass, 0 for the
// high-pass), and after a full constant block the filter sleeps.
#include <vector>

#include "engine/lookup_table.h"
#include "modules/filters/filter_base.h"

namespace kv {

class ug_filter_1pole : public filters::FilterBase {
 public:
  enum PlugIndex { kSignal, kPitch, kOutput, kFreqScale };

  ug_filter_1pole() : ug_filter_1pole(true) {}
  ug_base* CreateObject() override { return new ug_filter_1pole; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;

  // The coefficient a for a pitch sample under the current Freq Scale.
  float Coefficient(float pitch) const;
  float state() const { return y_; }
  float coefficient() const { return a_; }

  float* signal_in = nullptr;
  float* pitch_in = nullptr;
  float* out = nullptr;
  int16_t freq_scale = 0;

 protected:
  explicit ug_filter_1pole(bool lowpass) : lowpass_(lowpass) {}

 private:
  template <bool kLowPass, bool kPitchRun, bool kKhz>
  void Render(int offset, int count);
  void sub_process_constant(int offset, int count);
  void ChooseProcessFunction();
  void StartAction();
  void SettleCheck();

  const bool lowpass_;
  float y_ = 0.0f;
  float a_ = 0.0f;
  float constant_ = 0.0f;
  float sample_rate_ = 44100.0f;
  const ULookup* table_ = nullptr;
};

class ug_filter_1pole_hp : public ug_filter_1pole {
 public:
  ug_filter_1pole_hp() : ug_filter_1pole(false) {}
  ug_base* CreateObject() override { return new ug_filter_1pole_hp; }
};

}  // namespace kv
