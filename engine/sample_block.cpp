#include "engine/sample_block.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace kv {

namespace {
constexpr std::size_t kAlign = 16;
constexpr std::size_t kSlackBytes = 32;
}  // namespace

USampBlock::USampBlock(int block_size) : size_(block_size > 0 ? block_size : 1) {
  std::size_t bytes = static_cast<std::size_t>(size_) * sizeof(float) + kSlackBytes;
  bytes = (bytes + kAlign - 1) / kAlign * kAlign;  // aligned_alloc wants a multiple
  samples_ = static_cast<float*>(std::aligned_alloc(kAlign, bytes));
  if (!samples_) throw std::bad_alloc();
  std::memset(samples_, 0, bytes);
}

USampBlock::~USampBlock() { std::free(samples_); }

void USampBlock::Fill(float value) {
  // Four samples per step from the top down, then the remainder.
  float* p = samples_ + size_;
  int n = size_;
  while (n >= 4) {
    p -= 4;
    p[0] = value;
    p[1] = value;
    p[2] = value;
    p[3] = value;
    n -= 4;
  }
  while (n-- > 0) *--p = value;
}

void USampBlock::Add(const USampBlock& other) {
  const int n = size_ < other.size_ ? size_ : other.size_;
  for (int i = 0; i < n; ++i) samples_[i] += other.samples_[i];
}

void USampBlock::FillRun(int start, int count, float value) {
  if (start < 0) {
    count += start;
    start = 0;
  }
  if (start + count > size_) count = size_ - start;
  for (int i = 0; i < count; ++i) samples_[start + i] = value;
}

}  // namespace kv
