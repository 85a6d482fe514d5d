#pragma once
// The white-noise source of one engine: a 32-bit linear congruential generator shared by
// every noise-making unit generator of the engine (all voices draw from the one sequence,
// in processing order), so a render is the same every time it is made.
#include <bit>
#include <cstdint>

namespace kv {

class NoiseGenerator {
 public:
  static constexpr uint32_t kSeed = 0xE60EE9B4u;

  uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_;
  }
  // Uniform in [-0.5, 0.5): the low 23 bits as the mantissa of a float in [1, 2), minus 1.5.
  float White() { return std::bit_cast<float>((Next() & 0x7FFFFFu) | 0x3F800000u) - 1.5f; }
  uint32_t state() const { return state_; }
  void Reset(uint32_t s = kSeed) { state_ = s; }

 private:
  uint32_t state_ = kSeed;
};

}  // namespace kv
