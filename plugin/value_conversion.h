// Conversions of host-supplied numbers into the plug-in's 32-bit integers.
//
// The dispatcher's `value` and the host's answers are pointer-sized; the operations
// they reach take 32-bit integers. Values outside the 32-bit range saturate instead of
// wrapping, and float-to-integer conversions treat NaN as 0, so no host number turns
// into a surprising index or size.
#pragma once

#include <cstdint>
#include <limits>

namespace kv {

constexpr int32_t saturateToInt32(intptr_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// Truncates toward zero like a C cast; NaN gives 0, out-of-range values saturate.
constexpr int32_t truncateToInt32(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

}  // namespace kv
