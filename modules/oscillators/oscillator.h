#pragma once
// ug_oscillator2 ("Oscillator"): the band-limited wavetable oscillator.
//
// Phase is a 32-bit integer that wraps by itself (2^32 = one cycle); the increment comes
// from the pitch through an integer table and shifts (pitch_increment.h). Table waves
// (Sine, Saw, Ramp, Triangle, Pulse) read one table of a band-limited set
// (engine/wavetable_set.h) with linear interpolation; Pulse is the difference of two saws
// a pulse offset apart. White and Pink Noise draw from the engine's noise source.
//
// Table choice. Each table plays inside a window of increments [lower, upper]; when the
// increment leaves it, the oscillator picks the richest table that is alias-free at the
// new increment (or the silent table above the poorest table's limit) and cross-fades to
// it over 20 samples. A static pitch makes the choice at each change; a streaming pitch at
// the first sample of each engine block.
//
// Process functions. A base renderer is specialised by which inputs stream (pitch, with
// its scale; Ramp / Pulse with static or streaming width / other table waves; phase
// modulation), so the static case runs the shortest loop. While a table cross-fade is
// pending the engine calls a wrapper around the base renderer; while Sync streams or a
// sync cross-fade is pending, the sync handler, which renders the runs between rising
// zero crossings of Sync through the base renderer (or the table wrapper).
//
// Phase modulation. The phase holds the unmodulated phase minus the current offset
// o = PhaseMod x PMDepth x 2^32 (converted through int64, wrapping); a change of offset
// moves the phase by old - new. Streaming Phase Mod applies it per sample.
//
// Hard sync on a rising crossing of Sync (at or below 0, then above 0): the phase restarts
// at the fraction of a sample that has passed since the crossing (streaming Sync) or at 0
// (Sync events), and with "Sync X-Fade" on the waveform that would have continued fades
// out over four samples.
#include <cstdint>
#include <vector>

#include "engine/ug_base.h"
#include "engine/wavetable_set.h"

namespace kv {

class ug_oscillator2 : public ug_base {
 public:
  enum PlugIndex {
    kPitch,
    kPulseWidth,
    kWaveform,
    kAudioOut,
    kSync,
    kPhaseMod,
    kFreqScale,
    kPmDepth,
    kSmoothPeaks,
    kSyncXFade,
  };
  enum Waveform : int16_t { kSine, kSaw, kRamp, kTriangle, kPulse, kWhiteNoise, kPinkNoise };
  static constexpr int kTableFade = 20;
  static constexpr int kSyncFade = 4;


  ug_base* CreateObject() override { return new ug_oscillator2; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;
  // A streaming pitch makes the table choice at the first sample of each block.
  void Process(int count) override;

  // Inspection (tests, displays).
  uint32_t increment() const { return increment_; }
  uint32_t phase() const { return phase_; }
  const Uwavetable* played_table() const { return played_; }
  const WavetableSet* current_set() const { return set_; }
  int table_fade_remaining() const { return table_fade_; }

  // Plug members.
  float* pitch_in = nullptr;
  float* pulse_width_in = nullptr;
  float* out = nullptr;
  float* sync_in = nullptr;
  float* phase_mod_in = nullptr;
  float* pm_depth_in = nullptr;
  int16_t waveform = kSaw;
  int16_t freq_scale = 0;
  uint8_t smooth_peaks = 1;
  uint8_t sync_xfade = 1;

 private:
  enum PitchMode { kPitchStatic, kPitchOctave, kPitchKhz };
  enum WaveKind { kKindTable, kKindRamp, kKindPulse, kKindPulseRun };
  struct RenderState {
    uint32_t phase, increment, pm_offset, pulse_offset;
  };

  template <int kPitchMode, int kKind, bool kPmRun>
  void Render(int offset, int count);
  static const ProcessFn kRenderers[3][4][2];

  void sub_process_table_fade(int offset, int count);
  template <bool kScan>
  void sub_process_sync(int offset, int count);
  void sub_process_white(int offset, int count);
  void sub_process_pink(int offset, int count);

  void RenderSyncRun(int offset, int count);
  void SyncAt(int position, float before, float now);
  void ChooseProcessFunctions();
  void ChooseSet();
  void ChooseTable();
  void UpdateIncrement(float pitch);
  void StartAction();
  RenderState Save() const { return {phase_, increment_, pm_offset_, pulse_offset_}; }
  void Restore(const RenderState& s);
  bool Streams(int plug) const { return plugs[plug]->state == ST_RUN; }
  bool IsNoise() const { return waveform == kWhiteNoise || waveform == kPinkNoise; }

  uint32_t phase_ = 0;
  uint32_t increment_ = 0;
  uint32_t pm_offset_ = 0;
  uint32_t pulse_offset_ = 0;

  const OscillatorWavetables* sets_ = nullptr;
  const WavetableSet* set_ = nullptr;
  const Uwavetable* played_ = nullptr;
  const Uwavetable* chosen_ = nullptr;
  const float* table_ = nullptr;  // data of the table being rendered
  uint32_t lower_ = 0;
  uint32_t upper_ = 0;
  int table_fade_ = 0;

  bool sync_low_ = true;
  float last_sync_ = 0.0f;
  uint32_t sync_diff_ = 0;
  int sync_fade_ = 0;

  float pink_[6] = {};
  float fade_buffer_[kTableFade] = {};

  const uint32_t* pitch_table_ = nullptr;
  float sample_rate_ = 44100.0f;

  ProcessFn base_fn_ = nullptr;
  ProcessFn sync_inner_fn_ = nullptr;
};

}  // namespace kv
