#include "modules/oscillators/oscillator.h"

#include <algorithm>
#include <cstring>

#include <emmintrin.h>

#include "engine/audio_master.h"
#include "engine/lookup_catalogue.h"
#include "modules/oscillators/pitch_increment.h"

namespace kv {
namespace {

// PhaseMod x PMDepth x 2^32 formed in float, truncated through int64 and wrapped.
inline uint32_t PmOffset(float phase_mod, float depth) {
  const float x = phase_mod * depth * 4294967296.0f;
  if (!(x > -9.0e18f && x < 9.0e18f)) return 0;  // NaN or absurd
  return static_cast<uint32_t>(static_cast<int64_t>(x));
}

// Width -0.99..+0.99 (-9.9 V..+9.9 V): the phase distance between the two saws.
inline uint32_t PulseOffset(float width) {
  float w = width;
  if (!(w > -0.99f)) w = -0.99f;  // NaN too
  if (w > 0.99f) w = 0.99f;
  return static_cast<uint32_t>((1.0 - static_cast<double>(w)) * 2147483648.0);
}

// Four table reads at once: the same arithmetic as ReadWavetable per lane (no fused
// operations), so results are identical; the loads themselves stay scalar (SSE2 has no
// gather).
inline __m128 ReadWavetable4(const float* t, __m128i phase) {
  const __m128i index = _mm_srli_epi32(phase, 23);
  const __m128 frac = _mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(phase, _mm_set1_epi32(0x7FFFFF))),
                                 _mm_set1_ps(1.0f / 8388608.0f));
  alignas(16) uint32_t i[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(i), index);
  const __m128 a = _mm_setr_ps(t[i[0]], t[i[1]], t[i[2]], t[i[3]]);
  const __m128 b = _mm_setr_ps(t[i[0] + 1], t[i[1] + 1], t[i[2] + 1], t[i[3] + 1]);
  return _mm_add_ps(a, _mm_mul_ps(frac, _mm_sub_ps(b, a)));
}

}  // namespace

void ug_oscillator2::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(VoltsIn(&pitch_in, "Pitch")
                     .Default("5")
                     .Choices("100, 0, 10, 0")
                     .Help("1 Volt per Octave, 5V = Middle A"));
  list.push_back(VoltsIn(&pulse_width_in, "Pulse Width")
                     .Default("5")
                     .Help("Width of rectangular pulse. -10 to 10 Volts = 0 to 100%"));
  list.push_back(
      EnumIn(&waveform, "Waveform", "Sine, Saw, Ramp, Triangle, Pulse,White Noise,Pink Noise")
          .Default("1")
          .Flags(kDeclAudioInput)
          .Help("Selects different wave shapes"));
  list.push_back(VoltsOut(&out, "Audio Out").Default("0"));
  list.push_back(VoltsIn(&sync_in, "Sync")
                     .Default("0")
                     .Choices("100, 0, 5, -5")
                     .Help("Syncs this Oscillator to an external signal, usually another "
                           "oscillator to produce a gnarly sound."));
  list.push_back(VoltsIn(&phase_mod_in, "Phase Mod")
                     .Default("0")
                     .Choices("100, 0, 10, 0")
                     .Help("Varies the phase (-5 to +5 Volts), used for yamaha style frequency "
                           "modulation.  Don't work on Pulse waveform."));
  list.push_back(EnumParameter(&freq_scale, "Freq Scale", "1 Volt/Octave, 1 Volt/kHz ")
                     .Default("0")
                     .Help("Switches between 1 Volt per Octave or 1 Volt per kHz response."));
  list.push_back(VoltsIn(&pm_depth_in, "PM Depth")
                     .Default("5")
                     .Choices("100, 0, 10, 0")
                     .Help("Varies the phase modulation depth (0 to 10 Volts)"));
  list.push_back(BoolParameter(&smooth_peaks, "Smooth Peaks (Gibbs Effect)")
                     .Default("1")
                     .Help("Improves the Wave Appearance by rolling off upper harmonics, reduces "
                           "wave 'brightness' though."));
  list.push_back(
      BoolParameter(&sync_xfade, "Sync X-Fade (Anti Alias)")
          .Default("1")
          .Help("Reduces Alias noise when Syncing at Audio rates. Can be disabled to provide "
                "precise note-on phase sync (usefull for phase modulation patches)"));
}

// --- renderers -------------------------------------------------------------------------

template <int kPitchMode, int kKind, bool kPmRun>
void ug_oscillator2::Render(int offset, int count) {
  float* o = out + offset;
  const float* t = table_;
  uint32_t ph = phase_;
  uint32_t inc = increment_;
  uint32_t pmo = pm_offset_;
  uint32_t po = pulse_offset_;
  const float* pitch = pitch_in + offset;
  const float* pw = pulse_width_in + offset;
  const float* pm = phase_mod_in + offset;
  const float* pmd = pm_depth_in + offset;
  const uint32_t* ptab = pitch_table_;
  const float sr = sample_rate_;
  int i = 0;
  if constexpr (kPitchMode == kPitchStatic && !kPmRun && kKind != kKindPulseRun) {
    // Static increment: four phases per step.
    __m128i p4 = _mm_setr_epi32(static_cast<int32_t>(ph), static_cast<int32_t>(ph + inc),
                        static_cast<int32_t>(ph + 2 * inc), static_cast<int32_t>(ph + 3 * inc));
    const __m128i step = _mm_set1_epi32(static_cast<int32_t>(4 * inc));
    const __m128i pulse = _mm_set1_epi32(static_cast<int32_t>(po));
    for (; i + 4 <= count; i += 4) {
      __m128 v;
      if constexpr (kKind == kKindPulse)
        v = _mm_sub_ps(ReadWavetable4(t, _mm_sub_epi32(p4, pulse)), ReadWavetable4(t, p4));
      else if constexpr (kKind == kKindRamp)
        v = _mm_xor_ps(ReadWavetable4(t, p4), _mm_set1_ps(-0.0f));
      else
        v = ReadWavetable4(t, p4);
      _mm_storeu_ps(o + i, v);
      p4 = _mm_add_epi32(p4, step);
    }
    ph += static_cast<uint32_t>(i) * inc;
  }
  for (; i < count; ++i) {
    if constexpr (kPitchMode == kPitchOctave) inc = OctavePitchToIncrement(pitch[i], ptab);
    if constexpr (kPitchMode == kPitchKhz) inc = KhzPitchToIncrement(pitch[i], sr);
    float v;
    if constexpr (kKind == kKindPulse || kKind == kKindPulseRun) {
      if constexpr (kKind == kKindPulseRun) po = PulseOffset(pw[i]);
      v = ReadWavetable(t, ph - po) - ReadWavetable(t, ph);
    } else if constexpr (kKind == kKindRamp) {
      v = -ReadWavetable(t, ph);
    } else {
      v = ReadWavetable(t, ph);
    }
    o[i] = v;
    if constexpr (kPmRun) {
      const uint32_t nw = PmOffset(pm[i], pmd[i]);
      ph += inc + pmo - nw;
      pmo = nw;
    } else {
      ph += inc;
    }
  }
  phase_ = ph;
  increment_ = inc;
  pm_offset_ = pmo;
  pulse_offset_ = po;
}

#define KV_OSC_R(P, K)                                                   \
  {static_cast<ProcessFn>(&ug_oscillator2::Render<P, K, false>),         \
   static_cast<ProcessFn>(&ug_oscillator2::Render<P, K, true>)}
#define KV_OSC_P(P) \
  {KV_OSC_R(P, kKindTable), KV_OSC_R(P, kKindRamp), KV_OSC_R(P, kKindPulse), KV_OSC_R(P, kKindPulseRun)}
const ProcessFn ug_oscillator2::kRenderers[3][4][2] = {
    KV_OSC_P(kPitchStatic), KV_OSC_P(kPitchOctave), KV_OSC_P(kPitchKhz)};
#undef KV_OSC_P
#undef KV_OSC_R

void ug_oscillator2::Restore(const RenderState& s) {
  phase_ = s.phase;
  increment_ = s.increment;
  pm_offset_ = s.pm_offset;
  pulse_offset_ = s.pulse_offset;
}

// Renders the fade from the played table (A) to the chosen one (B): both from the same
// state, mixed as (1 - x) B + x A with x falling by 1/21 per sample from 20/21. A fade that
// ends inside the run hands over at once: the chosen table becomes the played one and the
// choice runs again (possibly starting the next fade) before the rest of the run.
void ug_oscillator2::sub_process_table_fade(int offset, int count) {
  while (count > 0) {
    if (table_fade_ == 0) {
      (this->*base_fn_)(offset, count);
      return;
    }
    const int n = std::min(table_fade_, count);
    const RenderState start = Save();
    table_ = played_->data();
    (this->*base_fn_)(offset, n);
    std::memcpy(fade_buffer_, out + offset, n * sizeof(float));
    Restore(start);
    table_ = chosen_->data();
    (this->*base_fn_)(offset, n);
    // Weight of the old table: 1 - (k + 1)/21 for the k-th sample of the fade, counted
    // from the fade's start, so a fade split across runs continues where it was.
    const int done = kTableFade - table_fade_;
    float* o = out + offset;
    for (int i = 0; i < n; ++i) {
      const float x = 1.0f - static_cast<float>(done + i + 1) * 0.04761905f;
      o[i] = (1.0f - x) * o[i] + x * fade_buffer_[i];
    }
    table_fade_ -= n;
    offset += n;
    count -= n;
    if (table_fade_ > 0) {
      table_ = played_->data();  // the old table stays the played one meanwhile
      return;
    }
    played_ = chosen_;
    table_ = played_->data();
    if (Streams(kPitch)) UpdateIncrement(pitch_in[offset - 1]);
    ChooseTable();
    ChooseProcessFunctions();
  }
}

// A run after a sync: with a sync fade pending, the first samples mix the waveform that
// would have continued (A, the phase moved by the remembered difference) into the synced
// one (B) with weights 0.8, 0.6, 0.4, 0.2.
void ug_oscillator2::RenderSyncRun(int offset, int count) {
  int rendered = 0;
  if (sync_fade_ > 0) {
    const int n = std::min(sync_fade_, count);
    const RenderState start = Save();
    phase_ += sync_diff_;
    (this->*base_fn_)(offset, n);
    std::memcpy(fade_buffer_, out + offset, n * sizeof(float));
    Restore(start);
    (this->*sync_inner_fn_)(offset, n);
    // 0.8, 0.6, 0.4, 0.2 counted from the sync, also across runs.
    const int done = kSyncFade - sync_fade_;
    float* o = out + offset;
    for (int i = 0; i < n; ++i) {
      const float x = 1.0f - static_cast<float>(done + i + 1) * 0.2f;
      o[i] = (1.0f - x) * o[i] + x * fade_buffer_[i];
    }
    sync_fade_ -= n;
    rendered = n;
  }
  if (count > rendered) (this->*sync_inner_fn_)(offset + rendered, count - rendered);
}

void ug_oscillator2::SyncAt(int position, float before, float now) {
  const uint32_t inc =
      Streams(kPitch) ? PitchToIncrement(pitch_in[position], freq_scale, pitch_table_, sample_rate_)
                      : increment_;
  const uint32_t o = PmOffset(phase_mod_in[position], pm_depth_in[position]);
  float fraction = now / (now - before);  // of a sample since the crossing, (0, 1]
  if (!(fraction >= 0.0f)) fraction = 0.0f;  // infinite or NaN inputs
  if (fraction > 1.0f) fraction = 1.0f;
  const uint32_t restart = static_cast<uint32_t>(static_cast<double>(fraction) * inc) - o;
  sync_diff_ = phase_ - restart;
  phase_ = restart;
  pm_offset_ = o;
  if (sync_xfade) sync_fade_ = kSyncFade;
}

template <bool kScan>
void ug_oscillator2::sub_process_sync(int offset, int count) {
  if constexpr (kScan) {
    const float* s = sync_in + offset;
    float prev = last_sync_;
    int start = 0;
    for (int i = 0; i < count; ++i) {
      const float c = s[i];
      if (prev <= 0.0f && c > 0.0f) {
        if (i > start) RenderSyncRun(offset + start, i - start);
        SyncAt(offset + i, prev, c);
        start = i;
      }
      prev = c;
    }
    last_sync_ = prev;
    sync_low_ = prev <= 0.0f;
    if (count > start) RenderSyncRun(offset + start, count - start);
  } else {
    RenderSyncRun(offset, count);
  }
  if (sync_fade_ == 0 && !Streams(kSync)) ChooseProcessFunctions();
}

void ug_oscillator2::sub_process_white(int offset, int count) {
  NoiseGenerator& g = master->noise();
  float* o = out + offset;
  for (int i = 0; i < count; ++i) o[i] = g.White();
}

void ug_oscillator2::sub_process_pink(int offset, int count) {
  NoiseGenerator& g = master->noise();
  float* o = out + offset;
  float b0 = pink_[0], b1 = pink_[1], b2 = pink_[2], b3 = pink_[3], b4 = pink_[4], b5 = pink_[5];
  for (int i = 0; i < count; ++i) {
    const float w = g.White();
    b0 = b0 * 0.997f + w * 0.029591f;
    b1 = b1 * 0.985f + w * 0.032534f;
    b2 = b2 * 0.95f + w * 0.048056f;
    b3 = b3 * 0.85f + w * 0.090579f;
    b4 = b4 * 0.62f + w * 0.10899f;
    b5 = b5 * 0.25f + w * 0.255784f;
    o[i] = b0 + b1 + b2 + b3 + b4 + b5;
  }
  pink_[0] = b0, pink_[1] = b1, pink_[2] = b2, pink_[3] = b3, pink_[4] = b4, pink_[5] = b5;
}

// --- choices ---------------------------------------------------------------------------

void ug_oscillator2::ChooseProcessFunctions() {
  if (waveform == kWhiteNoise) return SetProcessFunction(&ug_oscillator2::sub_process_white);
  if (waveform == kPinkNoise) return SetProcessFunction(&ug_oscillator2::sub_process_pink);
  const int pitch_mode =
      Streams(kPitch) ? (freq_scale == kVoltPerKhz ? kPitchKhz : kPitchOctave) : kPitchStatic;
  int kind = kKindTable;
  if (waveform == kRamp) kind = kKindRamp;
  if (waveform == kPulse) kind = Streams(kPulseWidth) ? kKindPulseRun : kKindPulse;
  if (kind == kKindPulse) pulse_offset_ = PulseOffset(PlugValue(kPulseWidth));
  base_fn_ = kRenderers[pitch_mode][kind][Streams(kPhaseMod) ? 1 : 0];
  sync_inner_fn_ = table_fade_ > 0
                       ? static_cast<ProcessFn>(&ug_oscillator2::sub_process_table_fade)
                       : base_fn_;
  if (Streams(kSync))
    SetProcessFunction(&ug_oscillator2::sub_process_sync<true>);
  else if (sync_fade_ > 0)
    SetProcessFunction(&ug_oscillator2::sub_process_sync<false>);
  else
    process_function = sync_inner_fn_;
}

void ug_oscillator2::ChooseSet() {
  table_fade_ = 0;
  switch (waveform) {
    case kWhiteNoise:
    case kPinkNoise:
      set_ = nullptr;
      increment_ = 0;
      return;
    case kTriangle:
      set_ = &sets_->triangle;
      break;
    case kSaw:
    case kRamp:
    case kPulse:
      set_ = smooth_peaks ? &sets_->smoothed_saw : &sets_->plain_saw;
      break;
    default:  // Sine, and any value outside the list
      set_ = &sets_->sine;
      break;
  }
  played_ = chosen_ = &set_->richest();
  table_ = played_->data();
  lower_ = played_->lower;
  upper_ = played_->upper;
  UpdateIncrement(PlugValue(kPitch));
  ChooseTable();
}

void ug_oscillator2::ChooseTable() {
  if (!set_ || table_fade_ > 0) return;
  if (increment_ >= lower_ && increment_ <= upper_) return;
  const Uwavetable* t;
  if (increment_ > set_->poorest().upper) {
    t = &sets_->silent;
  } else {
    int i = set_->size() - 1;
    while (i > 0 && increment_ < (*set_)[i].next_richer) --i;
    t = &(*set_)[i];
  }
  chosen_ = t;
  lower_ = t->lower;
  upper_ = t->upper;
  table_fade_ = kTableFade;
  ChooseProcessFunctions();
}

void ug_oscillator2::UpdateIncrement(float pitch) {
  increment_ = PitchToIncrement(pitch, freq_scale, pitch_table_, sample_rate_);
}

// --- lifecycle and events --------------------------------------------------------------

void ug_oscillator2::Open() {
  sample_rate_ = SampleRate();
  pitch_table_ = OscPitchLookup(master->lookup_tables(), sample_rate_)->data();
  sets_ = &OscillatorWavetables::Get();
  ug_base::Open();
  ChooseSet();
  ChooseProcessFunctions();
  plugs[kAudioOut]->TransmitState(clock, ST_RUN);
  PostRunFunction(clock, &ug_oscillator2::StartAction);
}

void ug_oscillator2::StartAction() {
  pm_offset_ = PmOffset(PlugValue(kPhaseMod), PlugValue(kPmDepth));
  phase_ = 0u - pm_offset_;
  last_sync_ = PlugValue(kSync);
  sync_low_ = last_sync_ <= 0.0f;
}

void ug_oscillator2::Process(int count) {
  if (set_ && table_fade_ == 0 && Streams(kPitch) && master->clock == master->block_start()) {
    UpdateIncrement(pitch_in[0]);
    ChooseTable();
  }
  ug_base::Process(count);
}

void ug_oscillator2::OnPlugStateChange(sample_clock time, Connection* c, state_type state) {
  const int plug = c->destination->index();
  switch (plug) {
    case kPhaseMod:
      if (state != ST_RUN) {
        const uint32_t nw = PmOffset(PlugValue(kPhaseMod), PlugValue(kPmDepth));
        phase_ += pm_offset_ - nw;
        pm_offset_ = nw;
      }
      break;
    case kSync:
      if (state != ST_RUN) {
        const float v = PlugValue(kSync);
        if (sync_low_ && v > 0.0f) {
          const uint32_t o = PmOffset(PlugValue(kPhaseMod), PlugValue(kPmDepth));
          sync_diff_ = phase_ + o;
          phase_ = 0u - o;
          pm_offset_ = o;
          if (sync_xfade) sync_fade_ = kSyncFade;
        }
        sync_low_ = v <= 0.0f;
      } else {
        last_sync_ = sync_low_ ? 0.0f : 1.0f;  // the level before the stream started
      }
      break;
    case kPitch:
    case kFreqScale:
      if (!IsNoise() && !Streams(kPitch)) {
        UpdateIncrement(PlugValue(kPitch));
        ChooseTable();
      }
      break;
    case kWaveform:
    case kSmoothPeaks:
      ChooseSet();
      break;
    default:
      break;
  }
  ChooseProcessFunctions();
}

}  // namespace kv
