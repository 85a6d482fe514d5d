// The four-lane exp the filters use for per-sample coefficients: within 2 ulp of the exact
// value over the range it serves and beyond, equal in every lane, and bounded outside.
#include "modules/filters/exp4.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

namespace kv::filters {
namespace {

double UlpError(float got, double want) {
  const float w = static_cast<float>(want);
  return std::fabs(got - want) / (std::nextafter(w, INFINITY) - w);
}

TEST(Exp4, WithinTwoUlpAcrossItsRange) {
  double worst = 0.0;
  float worst_at = 0.0f;
  for (int i = -400000; i <= 400000; ++i) {
    const float a = i * 1e-4f;  // -40 .. 40, densest where the filters use it (0 .. 1.4)
    const double e = UlpError(Exp1(a), std::exp(static_cast<double>(a)));
    if (e > worst) worst = e, worst_at = a;
  }
  EXPECT_LE(worst, 2.0) << "at " << worst_at;
}

TEST(Exp4, LanesIndependentAndLimitsBounded) {
  alignas(16) float got[4];
  _mm_store_ps(got, Exp4(_mm_setr_ps(0.0f, 1.0f, -1.5f, 0.69314718f)));
  const float args[4] = {0.0f, 1.0f, -1.5f, 0.69314718f};
  for (int j = 0; j < 4; ++j) EXPECT_EQ(got[j], Exp1(args[j])) << j;
  EXPECT_EQ(Exp1(0.0f), 1.0f);
  for (float a : {1000.0f, -1000.0f, INFINITY, -INFINITY, NAN}) {
    const float v = Exp1(a);
    EXPECT_TRUE(std::isfinite(v) && std::fpclassify(v) == FP_NORMAL && v > 0.0f) << a;
  }
}

}  // namespace
}  // namespace kv::filters
