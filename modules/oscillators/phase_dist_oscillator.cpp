#include "modules/oscillators/phase_dist_oscillator.h"

#include <cmath>
#include <numbers>

#include "engine/audio_master.h"
#include "engine/lookup_catalogue.h"
#include "modules/oscillators/pitch_increment.h"

namespace kv {

void ug_oscillator_pd::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(VoltsIn(&pitch_in, "Pitch")
                     .Default("5")
                     .Choices("100, 0, 10, 0")
                     .Help("1 Volt per Octave, 5V = Middle A"));
  list.push_back(VoltsIn(&depth_in, "Modulation Depth")
                     .Default("5")
                     .Help("Controls Waveshape distortion. 0 to 10 Volts = 0 to 100%"));
  list.push_back(VoltsOut(&out, "Audio Out").Default("0"));
  list.push_back(EnumIn(&wave1, "Wave1", "Saw,Square,Pulse,Dbl Sine,Saw-Pulse,Reso1,Reso2,Reso3")
                     .Default("0")
                     .Flags(kDeclAudioInput)
                     .Help("Selects different wave shapes"));
  list.push_back(
      EnumIn(&wave2, "Wave2", "None=-1,Saw,Square,Pulse,Dbl Sine,Saw-Pulse,Reso1,Reso2,Reso3")
          .Default("0")
          .Flags(kDeclAudioInput)
          .Help("Selects different wave shapes"));
  list.push_back(EnumParameter(&freq_scale, "Freq Scale", "1 Volt/Octave, 1 Volt/kHz ")
                     .Default("0")
                     .Help("Switches between 1 Volt per Octave or 1 Volt per kHz response."));
}

ug_oscillator_pd::Curve ug_oscillator_pd::CurveFor(int16_t wave) {
  switch (wave) {
    case kSquare:
      return {{{0, 0, 0}, {0, 0.25f, 0}, {0.5f, -0.25f, 0.5f}, {0.5f, 0.25f, 0.5f},
               {1, -0.25f, 1}, {1, 0, 1}},
              6, false};
    case kPulse:
      return {{{0, 0, 0}, {0, 0.5f, 0}, {1, -0.5f, 1}, {1, 0, 1}}, 4, false};
    case kDblSine:
      return {{{0, 0, 0}, {0.5f, -0.5f, 1}, {1, 0, 2}}, 3, false};
    case kSawPulse:
      return {{{0, 0, 0}, {0.5f, 0, 0.5f}, {1, -0.5f, 1}, {1, 0, 1}}, 4, false};
    case kReso1:
      return {{{0, 0, 1}, {1, 0, 0}}, 2, true};
    case kReso2:
      return {{{0, 0, 0}, {0.5f, 0, 1}, {1, 0, 0}}, 3, true};
    case kReso3:
      return {{{0, 0, 1}, {0.5f, 0, 1}, {1, 0, 0}}, 3, true};
    default:  // Saw, and any value outside the list
      return {{{0, 0, 0}, {0.5f, -0.5f, 0.5f}, {1, 0, 1}}, 3, false};
  }
}

// One raw sample at cycle position w in [0, 1).
inline float ug_oscillator_pd::Sample(float w, float depth) {
  float a = depth;
  if (!(a > 0.0f)) a = 0.0f;  // NaN too
  if (a > 0.97f) a = 0.97f;
  const Curve& c = curves_[current_];
  const float shift = c.resonant ? 0.0f : a;
  float* xs = positions_[current_];
  if (!(shift == positions_depth_[current_])) {  // breakpoint positions for this depth
    for (int j = 0; j < c.count; ++j) xs[j] = c.p[j].x + shift * c.p[j].slope;
    positions_depth_[current_] = shift;
  }
  auto X = [xs](int k) { return xs[k]; };
  int k = segment_;
  while (k > 0 && w < X(k)) --k;
  while (k < c.count - 2 && w >= X(k + 1)) ++k;
  segment_ = k;
  const float x0 = X(k);
  const float x1 = X(k + 1);
  const float y0 = c.p[k].y;
  const float y = x1 > x0 ? y0 + (w - x0) * (c.p[k + 1].y - y0) / (x1 - x0) : y0;
  if (!c.resonant) {
    const uint32_t ph = static_cast<uint32_t>(static_cast<uint64_t>(static_cast<double>(y) * 4294967296.0));
    return ReadWavetable(cosine_, ph);
  }
  const double r = static_cast<double>(w) * (10.0f * a + 1.0f);
  const uint32_t ph = static_cast<uint32_t>(static_cast<uint64_t>(r * 4294967296.0));
  return 0.5f - 0.5f * y + y * ReadWavetable(cosine_, ph);
}

template <bool kPitchRun>
void ug_oscillator_pd::sub_process(int offset, int count) {
  float* o = out + offset;
  const float* pitch = pitch_in + offset;
  const float* depth = depth_in + offset;
  uint32_t ph = phase_;
  uint32_t inc = increment_;
  float m = dc_;
  const float g = dc_gain_;
  const bool alternate = curves_[1].count > 0;
  for (int i = 0; i < count; ++i) {
    if constexpr (kPitchRun)
      inc = PitchToIncrement(pitch[i], freq_scale, pitch_table_, sample_rate_);
    const float w = static_cast<float>(ph) * (1.0f / 4294967296.0f);
    const float raw = Sample(w >= 1.0f ? 0.0f : w, depth[i]);
    o[i] = raw - m;
    m = m - g * (m - raw);
    const uint32_t next = ph + inc;
    if (next < ph && alternate) {  // wrapped: the other wave plays the next cycle
      current_ ^= 1;
      segment_ = 0;
    }
    ph = next;
  }
  phase_ = ph;
  increment_ = inc;
  dc_ = m;
}

template <bool kPitchRun>
void ug_oscillator_pd::sub_process_silent(int offset, int count) {
  float* o = out + offset;
  for (int i = 0; i < count; ++i) o[i] = 0.0f;
}

void ug_oscillator_pd::SetCurves() {
  curves_[0] = CurveFor(wave1);
  curves_[1] = wave2 == kNone ? Curve{} : CurveFor(wave2);
  if (curves_[1].count == 0) current_ = 0;
  segment_ = 0;
  positions_depth_[0] = positions_depth_[1] = -1.0f;  // recomputed at the next sample
}

void ug_oscillator_pd::UpdateIncrement(float pitch) {
  increment_ = PitchToIncrement(pitch, freq_scale, pitch_table_, sample_rate_);
  silent_ = increment_ > limit_;
}

void ug_oscillator_pd::ChooseProcessFunctions() {
  const bool run = plugs[kPitch]->state == ST_RUN;
  if (silent_)
    run ? SetProcessFunction(&ug_oscillator_pd::sub_process_silent<true>)
        : SetProcessFunction(&ug_oscillator_pd::sub_process_silent<false>);
  else
    run ? SetProcessFunction(&ug_oscillator_pd::sub_process<true>)
        : SetProcessFunction(&ug_oscillator_pd::sub_process<false>);
}

void ug_oscillator_pd::Open() {
  sample_rate_ = SampleRate();
  pitch_table_ = OscPitchLookup(master->lookup_tables(), sample_rate_)->data();
  const WavetableSet& cosine = OscillatorWavetables::Get().cosine;
  cosine_ = cosine.richest().data();
  limit_ = cosine.richest().upper;
  dc_gain_ = static_cast<float>(2.0 * std::sin(7.0 * std::numbers::pi / sample_rate_));
  ug_base::Open();
  SetCurves();
  UpdateIncrement(PlugValue(kPitch));
  ChooseProcessFunctions();
  plugs[kAudioOut]->TransmitState(clock, ST_RUN);
}

void ug_oscillator_pd::Process(int count) {
  if (plugs[kPitch]->state == ST_RUN && master->clock == master->block_start()) {
    const bool was = silent_;
    UpdateIncrement(pitch_in[0]);
    if (silent_ != was) ChooseProcessFunctions();
  }
  ug_base::Process(count);
}

void ug_oscillator_pd::OnPlugStateChange(sample_clock time, Connection* c, state_type state) {
  switch (c->destination->index()) {
    case kWave1:
    case kWave2:
      SetCurves();
      break;
    case kPitch:
    case kFreqScale:
      if (plugs[kPitch]->state != ST_RUN) UpdateIncrement(PlugValue(kPitch));
      break;
    default:
      break;
  }
  ChooseProcessFunctions();
}

}  // namespace kv
