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
// States below this magnitude are set to 0 (no subnormal floats): the output as it is
// computed, the others every kFlushPeriod samples.
constexpr float kTiny = 1e-20f;
// The smallest float z for which z - (z z)(z 0.16666667f) comes out negative (just above
// sqrt(6)); below it the result is positive for every positive z.
constexpr float kLimitEdge = 2.44948983f;

// Scalar arithmetic in the low lane of SSE registers (the other lanes are ignored): the
// limiter's sign-flip rule and the flushes below then compile to masks instead of
// branches, which a noisy signal would mispredict.
inline __m128 Add(__m128 a, __m128 b) { return _mm_add_ss(a, b); }
inline __m128 Sub(__m128 a, __m128 b) { return _mm_sub_ss(a, b); }
inline __m128 Mul(__m128 a, __m128 b) { return _mm_mul_ss(a, b); }

// |v| < kTiny gives 0.
inline __m128 Flush(__m128 v) {
  const __m128 magnitude = _mm_and_ps(v, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
  return _mm_andnot_ps(_mm_cmplt_ss(magnitude, _mm_set_ss(kTiny)), v);
}

inline __m128 FlushAll(__m128 v) {
  const __m128 magnitude = _mm_and_ps(v, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
  return _mm_andnot_ps(_mm_cmplt_ps(magnitude, _mm_set1_ps(kTiny)), v);
}

template <int kLane>
inline __m128 Broadcast(__m128 v) {
  return _mm_shuffle_ps(v, v, _MM_SHUFFLE(kLane, kLane, kLane, kLane));
}

// The state: x and y4 in the low lanes of their registers, y1..y3 in lanes 0..2 of one
// register (lane 3 holds a by-product and is never read).
struct Lanes {
  __m128 x_prev, y, y4;
};

// The coefficients of one sample, as the update reads them: columns of the expanded
// update for lanes y1, y2, y3 and the y4 sum without its feedback term.
struct Columns {
  __m128 u;   // q, q^2, q^3, q^4
  __m128 y1;  // -kp, c1, c2, c3 (y2 and y3 use it shifted by one and two lanes)
  __m128 y4;  // r q, r q^2, r q^3, 0
  __m128 r, g;  // low lanes
};

// One sample of the ladder in its expanded form (see the header). The sums for y1, y2,
// y3 and y4 run side by side in four lanes; the previous output enters last.
inline __m128 Step(Lanes& s, __m128 in, const Columns& c) {
  const __m128 u = Add(in, s.x_prev);
  const __m128 y2col = _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(c.y1), 4));
  const __m128 y3col = _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(c.y1), 8));
  const __m128 t = _mm_add_ps(_mm_add_ps(_mm_mul_ps(c.u, Broadcast<0>(u)),
                                         _mm_mul_ps(c.y1, Broadcast<0>(s.y))),
                              _mm_add_ps(_mm_mul_ps(y2col, Broadcast<1>(s.y)),
                                         _mm_mul_ps(y3col, Broadcast<2>(s.y))));
  const __m128 z = Sub(Broadcast<3>(t), Mul(c.g, s.y4));
  const __m128 x = Sub(in, Mul(c.r, s.y4));
  const __m128 y = _mm_sub_ps(t, _mm_mul_ps(c.y4, Broadcast<0>(s.y4)));
  const __m128 limited = Sub(z, Mul(Mul(z, z), Mul(z, _mm_set_ss(0.16666667f))));
  // The limiter flips the sign exactly when |z| >= kLimitEdge; then, and for a tiny,
  // infinite or NaN z, the output is 0.
  const __m128 magnitude = _mm_and_ps(z, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
  const __m128 keep = _mm_and_ps(_mm_cmplt_ss(magnitude, _mm_set_ss(kLimitEdge)),
                                 _mm_cmpge_ss(magnitude, _mm_set_ss(kTiny)));
  s.y4 = _mm_and_ps(limited, keep);
  s.x_prev = x;
  s.y = y;
  return s.y4;
}

// The other states are flushed after every sample whose time is 15 mod 16: off the
// per-sample dependency chain, yet at the same samples however the host splits its calls.
constexpr int kFlushPeriod = 16;
inline void FlushInner(Lanes& s) {
  s.x_prev = Flush(s.x_prev);
  s.y = FlushAll(s.y);
}

Lanes Load(const ug_filter_biquad::State& s) {
  return {_mm_set_ss(s.x_prev), _mm_setr_ps(s.y1, s.y2, s.y3, 0.0f), _mm_set_ss(s.y4)};
}

ug_filter_biquad::State Store(const Lanes& s) {
  alignas(16) float y[4];
  _mm_store_ps(y, s.y);
  return {_mm_cvtss_f32(s.x_prev), y[0], y[1], y[2], _mm_cvtss_f32(s.y4)};
}

// The ladder products for four coefficient sets: lane by lane the same arithmetic as the
// scalar Expand, so static and streaming controls give identical samples.
struct Ladder4 {
  __m128 q, q2, q3, q4, kp, c1, c2, c3, r, rq1, rq2, rq3, g;
};
inline Ladder4 Expand4(__m128 kp, __m128 p, __m128 r) {
  Ladder4 l;
  static constexpr filters::Splat kOne(1.0f);
  const __m128 m = _mm_sub_ps(kOne(), kp);
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

void ug_filter_biquad::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(SignalIn(&signal_in));
  list.push_back(PitchIn(&pitch_in));
  list.push_back(ResonanceIn(&resonance_in));
  list.push_back(VoltsOut(&out, "Output").Default("0"));
  list.push_back(EnumIn(&mode, "Mode", "4 Pole LP")
                     .Default("0")
                     .Flags(kDeclUnlisted)
                     .Help("Not used at present"));
  list.push_back(VoltsIn(&boost_cut_in, "Boost/Cut")
                     .Default("0")
                     .Choices("10,-10,10,-10")
                     .Flags(kDeclUnlisted)
                     .Help("For Parametric Filters, +ve = boost, -ve = cut. NOT USED AT PRESENT"));
  list.push_back(FreqScaleParameter(&freq_scale));
}

namespace {
// The tables exist from Open on; only the 1 V/octave path reads them.
inline const float* Data(const ULookup* table) { return table ? table->data() : nullptr; }

// What the coefficients depend on besides the pitch.
struct CoefficientSource {
  CoefficientSource(int16_t scale, float sample_rate, const float* kp, const float* sc)
      : freq_scale(scale), kp_table(kp), scale_table(sc), rate(_mm_set1_ps(sample_rate)),
        top(_mm_set1_ps(0.495f * sample_rate)) {}
  int16_t freq_scale;
  const float* kp_table;
  const float* scale_table;
  __m128 rate, top;  // the sample rate, the highest cutoff
};

struct Coefficients4 {
  __m128 kp, p, scale;
};

// The columns (see Columns) of four samples, and their coefficients.
struct GroupColumns {
  __m128 u[4], y1[4], y4[4];
  alignas(16) float r[4], g[4], kp[4], p[4], scale[4];
};

// kp, p and scale from cutoffs in Hz (negative or NaN count as 0: max returns its second
// operand for a NaN).
inline Coefficients4 FromCutoff(__m128 hz, const CoefficientSource& src) {
  static constexpr filters::Splat kOne(1.0f), kHalf(0.5f), kTwo(2.0f), k36(3.6f), k16(1.6f),
      kScale(1.386249f);
  hz = _mm_min_ps(_mm_max_ps(hz, _mm_setzero_ps()), src.top);
  const __m128 f = _mm_div_ps(_mm_mul_ps(kTwo(), hz), src.rate);
  Coefficients4 c;
  c.kp = _mm_sub_ps(_mm_sub_ps(_mm_mul_ps(k36(), f), _mm_mul_ps(_mm_mul_ps(k16(), f), f)), kOne());
  c.p = _mm_mul_ps(_mm_add_ps(c.kp, kOne()), kHalf());
  c.scale = filters::Exp4(_mm_mul_ps(_mm_sub_ps(kOne(), c.p), kScale()));
  return c;
}

// kp, p and scale for four pitch samples. Samples on the pitch tables take kp and the
// scale from them (read like ULookup::InterpolatedLookup, one index for both tables);
// the others compute kp from the cutoff and the scale by exp.
inline __attribute__((always_inline)) Coefficients4 Compute4(__m128 pitch,
                                                             const CoefficientSource& src) {
  static constexpr filters::Splat k10000(10000.0f), k512(512.0f), kOne(1.0f), kHalf(0.5f);
  if (src.freq_scale == filters::kVoltPerKhz) return FromCutoff(_mm_mul_ps(pitch, k10000()), src);
  const __m128 zero = _mm_setzero_ps();
  const __m128 use_table = _mm_cmpge_ps(pitch, zero);  // false for NaN
  const int on_table = _mm_movemask_ps(use_table);
  Coefficients4 t{zero, zero, zero};
  if (on_table != 0) {
    // Negative or NaN positions count as 0 (max returns its second operand for NaN).
    const __m128 x = _mm_min_ps(_mm_max_ps(_mm_mul_ps(pitch, k512()), zero), k512());
    const __m128i i = _mm_cvttps_epi32(x);
    const __m128 f = _mm_sub_ps(x, _mm_cvtepi32_ps(i));
    alignas(16) int32_t at[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(at), i);
    auto read = [&](const float* table, int next) {
      return _mm_setr_ps(table[at[0] + next], table[at[1] + next], table[at[2] + next],
                         table[at[3] + next]);
    };
    const __m128 k0 = read(src.kp_table, 0), s0 = read(src.scale_table, 0);
    t.kp = _mm_add_ps(k0, _mm_mul_ps(f, _mm_sub_ps(read(src.kp_table, 1), k0)));
    t.p = _mm_mul_ps(_mm_add_ps(t.kp, kOne()), kHalf());
    t.scale = _mm_add_ps(s0, _mm_mul_ps(f, _mm_sub_ps(read(src.scale_table, 1), s0)));
    if (on_table == 0xF) return t;
  }
  // Negative pitches: the octave formula, sample by sample.
  alignas(16) float pitches[4], fc[4];
  _mm_store_ps(pitches, pitch);
  for (int j = 0; j < 4; ++j)
    fc[j] = on_table >> j & 1 ? 0.0f : filters::CutoffHz(pitches[j], src.freq_scale);
  const Coefficients4 c = FromCutoff(_mm_load_ps(fc), src);
  auto select = [&](__m128 from_table, __m128 computed) {
    return _mm_or_ps(_mm_and_ps(use_table, from_table), _mm_andnot_ps(use_table, computed));
  };
  return {select(t.kp, c.kp), select(t.p, c.p), select(t.scale, c.scale)};
}
}  // namespace

ug_filter_biquad::Coefficients ug_filter_biquad::ComputeCoefficients(float pitch) const {
  const CoefficientSource src{freq_scale, sample_rate_, Data(kp_table_), Data(scale_table_)};
  const Coefficients4 c = Compute4(_mm_set1_ps(pitch), src);
  return {_mm_cvtss_f32(c.kp), _mm_cvtss_f32(c.p), _mm_cvtss_f32(c.scale)};
}

void ug_filter_biquad::RenderStatic(int offset, int count) {
  const float* in = signal_in + offset;
  float* o = out + offset;
  Lanes s = Load(s_);
  const Ladder& l = ladder_;
  const Columns c{_mm_setr_ps(l.q, l.q2, l.q3, l.q4), _mm_setr_ps(-l.kp, l.c1, l.c2, l.c3),
                  _mm_setr_ps(l.rq1, l.rq2, l.rq3, 0.0f), _mm_set_ss(l.r), _mm_set_ss(l.g)};
  for (int i = 0; i < count;) {
    const int end = static_cast<int>(
        std::min<sample_clock>(count, i + kFlushPeriod - (clock + i) % kFlushPeriod));
    for (; i < end; ++i) _mm_store_ss(o + i, Step(s, _mm_load_ss(in + i), c));
    if ((clock + i) % kFlushPeriod == 0) FlushInner(s);
  }
  s_ = Store(s);
}

void ug_filter_biquad::RenderStreaming(int offset, int count) {
  const float* in = signal_in + offset;
  const float* pitch = pitch_in + offset;
  const float* res = resonance_in + offset;
  float* o = out + offset;
  const CoefficientSource src{freq_scale, sample_rate_, Data(kp_table_), Data(scale_table_)};
  Lanes s = Load(s_);
  // Four samples at a time. The coefficients of the next four are computed before the
  // state updates of these: they do not depend on the state, so the processor works on
  // them while the updates wait on each other.
  // Groups start at times that are multiples of 4, so that the flush times (multiples of
  // kFlushPeriod) fall between groups.
  auto fill = [&](int j, int n, GroupColumns& gc) {
    __m128 pv, rv;
    if (n == 4) {
      pv = _mm_loadu_ps(pitch + j);
      rv = _mm_loadu_ps(res + j);
    } else {  // the tail repeats its last sample
      alignas(16) float pt[4], rt[4];
      for (int k = 0; k < 4; ++k) {
        pt[k] = pitch[j + std::min(k, n - 1)];
        rt[k] = res[j + std::min(k, n - 1)];
      }
      pv = _mm_load_ps(pt);
      rv = _mm_load_ps(rt);
    }
    const Coefficients4 k4 = Compute4(pv, src);
    const Ladder4 c = Expand4(k4.kp, k4.p, _mm_mul_ps(rv, k4.scale));
    __m128 u0 = c.q, u1 = c.q2, u2 = c.q3, u3 = c.q4;
    _MM_TRANSPOSE4_PS(u0, u1, u2, u3);
    __m128 a0 = _mm_sub_ps(_mm_setzero_ps(), c.kp), a1 = c.c1, a2 = c.c2, a3 = c.c3;
    _MM_TRANSPOSE4_PS(a0, a1, a2, a3);
    __m128 b0 = c.rq1, b1 = c.rq2, b2 = c.rq3, b3 = _mm_setzero_ps();
    _MM_TRANSPOSE4_PS(b0, b1, b2, b3);
    gc.u[0] = u0, gc.u[1] = u1, gc.u[2] = u2, gc.u[3] = u3;
    gc.y1[0] = a0, gc.y1[1] = a1, gc.y1[2] = a2, gc.y1[3] = a3;
    gc.y4[0] = b0, gc.y4[1] = b1, gc.y4[2] = b2, gc.y4[3] = b3;
    _mm_store_ps(gc.r, c.r);
    _mm_store_ps(gc.g, c.g);
    _mm_store_ps(gc.kp, k4.kp);
    _mm_store_ps(gc.p, k4.p);
    _mm_store_ps(gc.scale, k4.scale);
  };
  auto size_at = [&](int j) {
    return static_cast<int>(std::min<sample_clock>(4 - (clock + j) % 4, count - j));
  };
  GroupColumns groups[2];
  int n = size_at(0);
  fill(0, n, groups[0]);
  for (int j = 0, b = 0; j < count; b ^= 1) {
    const int next = j + n < count ? size_at(j + n) : 0;
    if (next > 0) fill(j + n, next, groups[b ^ 1]);
    const GroupColumns& gc = groups[b];
    for (int k = 0; k < n; ++k) {
      const Columns cols{gc.u[k], gc.y1[k], gc.y4[k], _mm_load_ss(gc.r + k),
                         _mm_load_ss(gc.g + k)};
      _mm_store_ss(o + j + k, Step(s, _mm_load_ss(in + j + k), cols));
    }
    if ((clock + j + n) % kFlushPeriod == 0) FlushInner(s);
    if (j + n == count) {
      coef_ = {gc.kp[n - 1], gc.p[n - 1], gc.scale[n - 1]};
      r_ = gc.r[n - 1];
      ladder_ = Expand(coef_.kp, coef_.p, r_);
    }
    j += n;
    n = next;
  }
  s_ = Store(s);
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
  Unsettle(time + kSettleDelay, &ug_filter_biquad::SettleCheck);
  ChooseProcessFunction();
  plugs[kOutput]->TransmitState(time, ST_RUN);
}

}  // namespace kv
