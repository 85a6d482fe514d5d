#pragma once
// Random numbers 0..32767 (the meaning of the system's rand()), one source per owner and
// seedable, so that tests repeat and instances do not disturb each other.
#include <cstdint>

namespace kv {

class RandomSource {
 public:
  static constexpr int kMax = 32767;
  explicit RandomSource(uint32_t seed = 1) : state_(seed) {}
  int next() {
    state_ = state_ * 1103515245u + 12345u;
    return static_cast<int>((state_ >> 16) & 0x7FFF);
  }
  // r = rand() / 32767, in 0..1.
  double unit() { return next() / static_cast<double>(kMax); }

 private:
  uint32_t state_;
};

}  // namespace kv
