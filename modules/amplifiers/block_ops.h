#pragma once
// Element-wise loops of the amplifiers and mixers, four samples per step.
//
// The compiler's default cost model at -O2 leaves loops of unknown length scalar, so the
// hot loops are written with four-lane vectors (GCC/Clang vector extensions, plain SSE on
// x86-64). Each lane does exactly the scalar operation in the same order, and the build
// never contracts multiplies and adds, so the results equal the scalar loop's bit for
// bit. Loads and stores go through memcpy: a run may start at any offset of a block.
#include <cstring>

namespace kv::block_ops {

typedef float v4 __attribute__((vector_size(16)));

inline v4 Load(const float* p) {
  v4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void Store(float* p, v4 v) { std::memcpy(p, &v, sizeof v); }
inline v4 Splat(float k) { return v4{k, k, k, k}; }

// o = x * g
inline void Scale(float* o, const float* x, float g, int n) {
  int i = 0;
  const v4 gv = Splat(g);
  for (; i + 4 <= n; i += 4) Store(o + i, Load(x + i) * gv);
  for (; i < n; ++i) o[i] = x[i] * g;
}

// o = a * b
inline void Multiply(float* o, const float* a, const float* b, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4) Store(o + i, Load(a + i) * Load(b + i));
  for (; i < n; ++i) o[i] = a[i] * b[i];
}

// o = x * max(v, 0)   (NaN in v counts as 0)
inline void ScaleByPositive(float* o, const float* x, const float* v, int n) {
  int i = 0;
  const v4 zero = Splat(0.0f);
  for (; i + 4 <= n; i += 4) {
    const v4 g = Load(v + i);
    Store(o + i, Load(x + i) * (g > zero ? g : zero));
  }
  for (; i < n; ++i) o[i] = x[i] * (v[i] > 0.0f ? v[i] : 0.0f);
}

// o = a + k
inline void AddConstant(float* o, const float* a, float k, int n) {
  int i = 0;
  const v4 kv = Splat(k);
  for (; i + 4 <= n; i += 4) Store(o + i, Load(a + i) + kv);
  for (; i < n; ++i) o[i] = a[i] + k;
}

// o += a
inline void Accumulate(float* o, const float* a, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4) Store(o + i, Load(o + i) + Load(a + i));
  for (; i < n; ++i) o[i] += a[i];
}

// o = a * ga + b * gb
inline void Mix(float* o, const float* a, float ga, const float* b, float gb, int n) {
  int i = 0;
  const v4 gav = Splat(ga), gbv = Splat(gb);
  for (; i + 4 <= n; i += 4) Store(o + i, Load(a + i) * gav + Load(b + i) * gbv);
  for (; i < n; ++i) o[i] = a[i] * ga + b[i] * gb;
}

}  // namespace kv::block_ops
