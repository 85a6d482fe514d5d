#pragma once
// exp(a) for four floats at once, for filters that recompute a coefficient every sample.
//
// a = k ln 2 + t with k the nearest integer to a / ln 2 (ln 2 split in a short high part
// and a low part, so k ln 2 is subtracted without rounding), |t| <= ln 2 / 2; exp(t) from
// its Taylor series to t^7 (truncation below 6e-9 relative), evaluated by Estrin's scheme, then scaled by 2^k through
// the exponent bits. Within 2 ulp of the exact value. Plain SSE2 multiplies and adds:
// the same result on every x86-64 machine. Arguments are clamped to -87..88 (results stay
// normal and finite); NaN counts as -87.
#include <emmintrin.h>

namespace kv::filters {

// A float in all four lanes, kept in memory: an operand the multiply or add reads
// directly (a _mm_set1_ps constant compiles to a load and a shuffle at every use that the
// compiler does not hoist out of a loop).
struct alignas(16) Splat {
  constexpr explicit Splat(float x) : v{x, x, x, x} {}
  __m128 operator()() const { return _mm_load_ps(v); }
  float v[4];
};

inline __m128 Exp4(__m128 a) {
  static constexpr Splat kLow(-87.0f), kHigh(88.0f), kLog2e(1.44269504f), kLn2High(0.693359375f),
      kLn2Low(-2.12194440e-4f), kOne(1.0f), kC2(0.5f), kC3(1.0f / 6.0f), kC4(1.0f / 24.0f),
      kC5(1.0f / 120.0f), kC6(1.0f / 720.0f), kC7(1.0f / 5040.0f);
  a = _mm_max_ps(a, kLow());  // returns the bound for NaN
  a = _mm_min_ps(a, kHigh());
  const __m128i k = _mm_cvtps_epi32(_mm_mul_ps(a, kLog2e()));
  const __m128 kf = _mm_cvtepi32_ps(k);
  __m128 t = _mm_sub_ps(a, _mm_mul_ps(kf, kLn2High()));
  t = _mm_sub_ps(t, _mm_mul_ps(kf, kLn2Low()));
  // Estrin's scheme: the four pairs are independent, which shortens the dependency chain.
  const __m128 t2 = _mm_mul_ps(t, t);
  const __m128 t4 = _mm_mul_ps(t2, t2);
  const __m128 p01 = _mm_add_ps(kOne(), t);
  const __m128 p23 = _mm_add_ps(kC2(), _mm_mul_ps(kC3(), t));
  const __m128 p45 = _mm_add_ps(kC4(), _mm_mul_ps(kC5(), t));
  const __m128 p67 = _mm_add_ps(kC6(), _mm_mul_ps(kC7(), t));
  const __m128 p = _mm_add_ps(_mm_add_ps(p01, _mm_mul_ps(p23, t2)),
                              _mm_mul_ps(_mm_add_ps(p45, _mm_mul_ps(p67, t2)), t4));
  const __m128 two_k = _mm_castsi128_ps(_mm_slli_epi32(_mm_add_epi32(k, _mm_set1_epi32(127)), 23));
  return _mm_mul_ps(p, two_k);
}

inline float Exp1(float a) { return _mm_cvtss_f32(Exp4(_mm_set1_ps(a))); }

}  // namespace kv::filters
