#include "modules/filters/moog_filter.h"

#include <algorithm>
#include <cmath>

#include <emmintrin.h>

#include "engine/audio_master.h"
#include "engine/lookup_catalogue.h"
#include "modules/filters/exp4.h"
#include "modules/filters/filter_support.h"

namespace kv {

namespace {
constexpr float kQuiet = 1.5e-6f;
// States below this magnitude are set to 0 as they are computed (no subnormal floats).
constexpr float kTiny = 1e-20f;

// Scalar arithmetic in the low lane of SSE registers (the other lanes are ignored): the
// clamps and flushes below then compile to min, max and masks instead of branches, which
// a noisy signal would mispredict.
inline __m128 Add(__m128 a, __m128 b) { return _mm_add_ss(a, b); }
inline __m128 Sub(__m128 a, __m128 b) { return _mm_sub_ss(a, b); }
inline __m128 Mul(__m128 a, __m128 b) { return _mm_mul_ss(a, b); }

// |v| < kTiny gives 0.
inline __m128 Flush(__m128 v) {
  const __m128 magnitude = _mm_and_ps(v, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
  return _mm_andnot_ps(_mm_cmplt_ss(magnitude, _mm_set_ss(kTiny)), v);
}

struct Lanes {
  __m128 x_prev, y1, y2, y3, y4;
};

// One sample of the ladder in its expanded form (see the header). The additions are
// grouped so that the previous output enters last.
inline __m128 Step(Lanes& s, __m128 in, __m128 q, __m128 q2, __m128 q3, __m128 q4, __m128 kp,
                   __m128 c1, __m128 c2, __m128 c3, __m128 r, __m128 rq1, __m128 rq2,
                   __m128 rq3, __m128 g) {
  const __m128 u = Add(in, s.x_prev);
  const __m128 x = Sub(in, Mul(r, s.y4));
  const __m128 y1 = Sub(Sub(Mul(q, u), Mul(kp, s.y1)), Mul(rq1, s.y4));
  const __m128 y2 = Sub(Sub(Add(Mul(q2, u), Mul(c1, s.y1)), Mul(kp, s.y2)), Mul(rq2, s.y4));
  const __m128 y3 = Sub(Add(Add(Mul(q3, u), Mul(c2, s.y1)), Sub(Mul(c1, s.y2), Mul(kp, s.y3))),
                        Mul(rq3, s.y4));
  const __m128 z = Sub(Add(Add(Mul(q4, u), Mul(c3, s.y1)), Add(Mul(c2, s.y2), Mul(c1, s.y3))),
                       Mul(g, s.y4));
  const __m128 limited = Sub(z, Mul(Mul(z, z), Mul(z, _mm_set_ss(0.16666667f))));
  // Clamp between 0 and the (flushed) input: a sign flip gives 0. min and max return
  // their second operand for a NaN, which lets a NaN through (the settle check then
  // resets the states).
  const __m128 a = Flush(z);
  const __m128 zero = _mm_setzero_ps();
  const __m128 lo = _mm_min_ss(a, zero);
  const __m128 hi = _mm_max_ss(a, zero);
  s.y4 = _mm_min_ss(hi, _mm_max_ss(lo, limited));
  s.x_prev = Flush(x);
  s.y1 = Flush(y1);
  s.y2 = Flush(y2);
  s.y3 = Flush(y3);
  return s.y4;
}

Lanes Load(const ug_filter_biquad::State& s) {
  return {_mm_set_ss(s.x_prev), _mm_set_ss(s.y1), _mm_set_ss(s.y2), _mm_set_ss(s.y3),
          _mm_set_ss(s.y4)};
}

ug_filter_biquad::State Store(const Lanes& s) {
  return {_mm_cvtss_f32(s.x_prev), _mm_cvtss_f32(s.y1), _mm_cvtss_f32(s.y2),
          _mm_cvtss_f32(s.y3), _mm_cvtss_f32(s.y4)};
}

// The ladder products for four coefficient sets: lane by lane the same arithmetic as the
// scalar Expand, so static and streaming controls give identical samples.
struct Ladder4 {
  __m128 q, q2, q3, q4, kp, c1, c2, c3, r, rq1, rq2, rq3, g;
};
inline Ladder4 Expand4(__m128 kp, __m128 p, __m128 r) {
  Ladder4 l;
  const __m128 m = _mm_sub_ps(_mm_set1_ps(1.0f), kp);
  l.q = p;
  l.q2 = _mm_mul_ps(p, p);
  l.q3 = _mm_mul_ps(l.q2, p);
  l.q4 = _mm_mul_ps(l.q3, p);
  l.kp = kp;
  l.c1 = _mm_mul_ps(p, m);
  l.c2 = _mm_mul_ps(l.q2, m);
  l.c3 = _mm_mul_ps(l.q3, m);
  l.r = r;
  l.rq1 = _mm_mul_ps(r, p);
  l.rq2 = _mm_mul_ps(r, l.q2);
  l.rq3 = _mm_mul_ps(r, l.q3);
  l.g = _mm_add_ps(_mm_mul_ps(r, l.q4), kp);
  return l;
}
}  // namespace

ug_filter_biquad::Ladder ug_filter_biquad::Expand(float kp, float p, float r) {
  const Ladder4 l = Expand4(_mm_set1_ps(kp), _mm_set1_ps(p), _mm_set1_ps(r));
  auto f = [](__m128 v) { return _mm_cvtss_f32(v); };
  return {f(l.q),  f(l.q2), f(l.q3),  f(l.q4),  f(l.kp),  f(l.c1), f(l.c2),
          f(l.c3), f(l.r),  f(l.rq1), f(l.rq2), f(l.rq3), f(l.g)};
}

bool ug_filter_biquad::SignalStatic() const {
  return !Streams(kSignal) && !filters::SourceStreams(plugs[kSignal]);
}

void ug_filter_biquad::ListInterface(std::vector<InterfaceObject>& list) {
  list.emplace_back(nullptr, dt_volts, &signal_in, DR_IN, "", "Signal", "0", "", 512);
  list.emplace_back(nullptr, dt_volts, &pitch_in, DR_IN,
                    "Controls the Filter's 'Cutoff'. 1 Volt per Octave or 1 Volt / kHz switchable",
                    "Pitch", "5", "", 1);
  list.emplace_back(nullptr, dt_volts, &resonance_in, DR_IN, "Emphasises the Cutoff frequency",
                    "Resonance", "5", "", 1);
  list.emplace_back(nullptr, dt_volts, &out, DR_OUT, "", "Output", "0", "", 0);
  list.emplace_back(&mode, dt_enum, nullptr, DR_IN, "Not used at present", "Mode", "0",
                    "4 Pole LP", 256);
  list.emplace_back(nullptr, dt_volts, &boost_cut_in, DR_IN,
                    "For Parametric Filters, +ve = boost, -ve = cut. NOT USED AT PRESENT",
                    "Boost/Cut", "0", "10,-10,10,-10", 257);
  list.emplace_back(&freq_scale, dt_enum, nullptr, DR_PARAMETER, filters::kFreqScaleHelp,
                    "Freq Scale", "0", filters::kFreqScaleList, 0);
}

void ug_filter_biquad::ComputeCoefficients(const float* pitch, int n, float* kp, float* p,
                                           float* scale) const {
  // Samples on the pitch tables take kp and the scale from them; the others compute kp
  // from the cutoff and the scale by exp. Table reads and the octave formula go sample by
  // sample, the rest four samples at a time.
  alignas(16) float fc[kChunk], table_kp[kChunk], table_scale[kChunk];
  alignas(16) int32_t table[kChunk];
  const bool khz = freq_scale == filters::kVoltPerKhz;
  if (!khz) {
    for (int j = 0; j < n; ++j) {
      const bool t = filters::UsesPitchTable(pitch[j], freq_scale);
      table[j] = t ? -1 : 0;
      table_kp[j] = t ? kp_table_->InterpolatedLookup(pitch[j]) : 0.0f;
      table_scale[j] = t ? scale_table_->InterpolatedLookup(pitch[j]) : 0.0f;
      fc[j] = t ? 0.0f : filters::CutoffHz(pitch[j], freq_scale);
    }
  }
  const __m128 rate = _mm_set1_ps(sample_rate_);
  const __m128 top = _mm_set1_ps(0.495f * sample_rate_);
  const __m128 one = _mm_set1_ps(1.0f);
  for (int j = 0; j < n; j += 4) {
    // Negative or NaN cutoffs count as 0 (max returns its second operand for a NaN).
    __m128 hz = khz ? _mm_mul_ps(_mm_loadu_ps(pitch + j), _mm_set1_ps(10000.0f))
                    : _mm_load_ps(fc + j);
    hz = _mm_min_ps(_mm_max_ps(hz, _mm_setzero_ps()), top);
    const __m128 f = _mm_div_ps(_mm_mul_ps(_mm_set1_ps(2.0f), hz), rate);
    __m128 k = _mm_sub_ps(_mm_sub_ps(_mm_mul_ps(_mm_set1_ps(3.6f), f),
                                     _mm_mul_ps(_mm_mul_ps(_mm_set1_ps(1.6f), f), f)),
                          one);
    __m128 use_table = _mm_setzero_ps();
    if (!khz) {
      use_table = _mm_castsi128_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(table + j)));
      k = _mm_or_ps(_mm_and_ps(use_table, _mm_load_ps(table_kp + j)),
                    _mm_andnot_ps(use_table, k));
    }
    const __m128 pp = _mm_mul_ps(_mm_add_ps(k, one), _mm_set1_ps(0.5f));
    const __m128 e = filters::Exp4(_mm_mul_ps(_mm_sub_ps(one, pp), _mm_set1_ps(1.386249f)));
    _mm_storeu_ps(kp + j, k);
    _mm_storeu_ps(p + j, pp);
    _mm_storeu_ps(scale + j, _mm_or_ps(_mm_and_ps(use_table, _mm_load_ps(table_scale + j)),
                                       _mm_andnot_ps(use_table, e)));
  }
}

ug_filter_biquad::Coefficients ug_filter_biquad::ComputeCoefficients(float pitch) const {
  const float pitches[4] = {pitch, pitch, pitch, pitch};
  float kp[4], p[4], scale[4];
  ComputeCoefficients(pitches, 4, kp, p, scale);
  return {kp[0], p[0], scale[0]};
}

void ug_filter_biquad::RenderStatic(int offset, int count) {
  const float* in = signal_in + offset;
  float* o = out + offset;
  Lanes s = Load(s_);
  const Ladder& l = ladder_;
  const __m128 q = _mm_set_ss(l.q), q2 = _mm_set_ss(l.q2), q3 = _mm_set_ss(l.q3),
               q4 = _mm_set_ss(l.q4), kp = _mm_set_ss(l.kp), c1 = _mm_set_ss(l.c1),
               c2 = _mm_set_ss(l.c2), c3 = _mm_set_ss(l.c3), r = _mm_set_ss(l.r),
               rq1 = _mm_set_ss(l.rq1), rq2 = _mm_set_ss(l.rq2), rq3 = _mm_set_ss(l.rq3),
               g = _mm_set_ss(l.g);
  for (int i = 0; i < count; ++i)
    _mm_store_ss(o + i, Step(s, _mm_load_ss(in + i), q, q2, q3, q4, kp, c1, c2, c3, r, rq1,
                             rq2, rq3, g));
  s_ = Store(s);
}

void ug_filter_biquad::RenderStreaming(int offset, int count) {
  const float* in = signal_in + offset;
  const float* pitch = pitch_in + offset;
  const float* res = resonance_in + offset;
  float* o = out + offset;
  Lanes s = Load(s_);
  // Coefficients of a chunk first (four samples at a time), then its state updates.
  alignas(16) float pitches[kChunk], resonances[kChunk], kp[kChunk], p[kChunk], scale[kChunk];
  alignas(16) float l[13][kChunk];
  int last = 0;
  for (int done = 0; done < count; done += kChunk) {
    const int n = std::min(kChunk, count - done);
    const int n4 = (n + 3) & ~3;
    for (int j = 0; j < n4; ++j) {  // a partial group repeats the chunk's last sample
      pitches[j] = pitch[done + std::min(j, n - 1)];
      resonances[j] = res[done + std::min(j, n - 1)];
    }
    ComputeCoefficients(pitches, n4, kp, p, scale);
    for (int j = 0; j < n4; j += 4) {
      const __m128 r = _mm_mul_ps(_mm_load_ps(resonances + j), _mm_load_ps(scale + j));
      const Ladder4 c = Expand4(_mm_load_ps(kp + j), _mm_load_ps(p + j), r);
      const __m128 v[13] = {c.q,  c.q2, c.q3, c.q4,  c.kp,  c.c1,  c.c2,
                            c.c3, c.r,  c.rq1, c.rq2, c.rq3, c.g};
      for (int k = 0; k < 13; ++k) _mm_store_ps(l[k] + j, v[k]);
    }
    for (int i = 0; i < n; ++i) {
      auto c = [&](int k) { return _mm_load_ss(l[k] + i); };
      _mm_store_ss(o + done + i, Step(s, _mm_load_ss(in + done + i), c(0), c(1), c(2), c(3), c(4),
                                      c(5), c(6), c(7), c(8), c(9), c(10), c(11), c(12)));
    }
    last = n - 1;
  }
  s_ = Store(s);
  if (count > 0) {
    coef_ = {kp[last], p[last], scale[last]};
    r_ = l[8][last];
    ladder_ = {l[0][last], l[1][last], l[2][last],  l[3][last],  l[4][last],
               l[5][last], l[6][last], l[7][last],  l[8][last],  l[9][last],
               l[10][last], l[11][last], l[12][last]};
  }
}

void ug_filter_biquad::ChooseProcessFunction() {
  if (settled_) return;
  if (Streams(kPitch) || Streams(kResonance))
    SetProcessFunction(&ug_filter_biquad::RenderStreaming);
  else
    SetProcessFunction(&ug_filter_biquad::RenderStatic);
}

void ug_filter_biquad::UpdateCoefficients() {
  coef_ = ComputeCoefficients(PlugValue(kPitch));
  r_ = PlugValue(kResonance) * coef_.scale;
  ladder_ = Expand(coef_.kp, coef_.p, r_);
}

void ug_filter_biquad::Open() {
  sample_rate_ = SampleRate();
  const MoogLpLookups t = MoogLpLookup(master->lookup_tables(), sample_rate_);
  scale_table_ = t.scale;
  kp_table_ = t.kp;
  s_ = {};
  ug_base::Open();
  UpdateCoefficients();
  settled_ = false;
  ChooseProcessFunction();
  plugs[kOutput]->TransmitState(clock, ST_RUN);
  PostRunFunction(clock + kSettleDelay, &ug_filter_biquad::SettleCheck);
}

void ug_filter_biquad::SettleCheck() {
  float* states[] = {&s_.x_prev, &s_.y1, &s_.y2, &s_.y3, &s_.y4};
  for (float* v : states)
    if (!std::isfinite(*v)) s_ = {};
  const bool signal_static = SignalStatic();
  if (signal_static && std::fabs(s_.x_prev) < kQuiet)
    for (float* v : states)
      if (std::fabs(*v) < kQuiet) *v = 0.0f;
  if (signal_static) {
    // Settled when the whole output block holds one value: it then reads correctly at
    // every offset while the filter sleeps.
    const float* b = plugs[kOutput]->samples();
    const int bs = BlockSize();
    bool flat = true;
    for (int i = 1; i < bs && flat; ++i) flat = b[i] == b[0];
    if (flat) {
      settled_ = true;
      SetProcessFunction(&ug_filter_biquad::sub_process_sleep);
      plugs[kOutput]->TransmitState(clock, ST_ONE_OFF);
      return;
    }
  }
  const sample_clock again =
      signal_static ? 4 * static_cast<sample_clock>(BlockSize()) : static_cast<sample_clock>(sample_rate_);
  PostRunFunction(clock + again, &ug_filter_biquad::SettleCheck);
}

void ug_filter_biquad::OnPlugStateChange(sample_clock time, Connection* c, state_type state) {
  const int plug = c->destination->index();
  if ((plug == kPitch || plug == kResonance || plug == kFreqScale) && !Streams(kPitch) &&
      !Streams(kResonance))
    UpdateCoefficients();
  if (settled_) {
    settled_ = false;
    PostRunFunction(time + kSettleDelay, &ug_filter_biquad::SettleCheck);
  }
  ChooseProcessFunction();
  plugs[kOutput]->TransmitState(time, ST_RUN);
}

}  // namespace kv
