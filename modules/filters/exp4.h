#pragma once
// exp(a) for four floats at once, for filters that recompute a coefficient every sample.
//
// a = k ln 2 + t with k the nearest integer to a / ln 2 (ln 2 split in a short high part
// and a low part, so k ln 2 is subtracted without rounding), |t| <= ln 2 / 2; exp(t) from
// its Taylor series to t^7 (truncation below 6e-9 relative), then scaled by 2^k through
// the exponent bits. Within 2 ulp of the exact value. Plain SSE2 multiplies and adds:
// the same result on every x86-64 machine. Arguments are clamped to -87..88 (results stay
// normal and finite); NaN counts as -87.
#include <emmintrin.h>

namespace kv::filters {

inline __m128 Exp4(__m128 a) {
  a = _mm_max_ps(a, _mm_set1_ps(-87.0f));  // returns the bound for NaN
  a = _mm_min_ps(a, _mm_set1_ps(88.0f));
  const __m128i k = _mm_cvtps_epi32(_mm_mul_ps(a, _mm_set1_ps(1.44269504f)));
  const __m128 kf = _mm_cvtepi32_ps(k);
  __m128 t = _mm_sub_ps(a, _mm_mul_ps(kf, _mm_set1_ps(0.693359375f)));
  t = _mm_sub_ps(t, _mm_mul_ps(kf, _mm_set1_ps(-2.12194440e-4f)));
  __m128 p = _mm_set1_ps(1.0f / 5040.0f);
  p = _mm_add_ps(_mm_mul_ps(p, t), _mm_set1_ps(1.0f / 720.0f));
  p = _mm_add_ps(_mm_mul_ps(p, t), _mm_set1_ps(1.0f / 120.0f));
  p = _mm_add_ps(_mm_mul_ps(p, t), _mm_set1_ps(1.0f / 24.0f));
  p = _mm_add_ps(_mm_mul_ps(p, t), _mm_set1_ps(1.0f / 6.0f));
  p = _mm_add_ps(_mm_mul_ps(p, t), _mm_set1_ps(0.5f));
  p = _mm_add_ps(_mm_mul_ps(p, t), _mm_set1_ps(1.0f));
  p = _mm_add_ps(_mm_mul_ps(p, t), _mm_set1_ps(1.0f));
  const __m128 two_k = _mm_castsi128_ps(_mm_slli_epi32(_mm_add_epi32(k, _mm_set1_epi32(127)), 23));
  return _mm_mul_ps(p, two_k);
}

inline float Exp1(float a) { return _mm_cvtss_f32(Exp4(_mm_set1_ps(a))); }

}  // namespace kv::filters
