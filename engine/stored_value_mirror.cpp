#include "engine/stored_value_mirror.h"

#include <algorithm>
#include <cstring>

namespace kv {

StoredValueMirror::StoredValueMirror(int patchCount, bool withTexts)
    : patch_count_(std::max(1, patchCount)),
      numbers_(new std::atomic<double>[patch_count_]) {
  for (int i = 0; i < patch_count_; ++i) numbers_[i].store(0.0, std::memory_order_relaxed);
  if (withTexts) {
    texts_.reset(new TextSlot[patch_count_]);
    for (int i = 0; i < patch_count_; ++i)
      for (auto& w : texts_[i].words) w.store(0, std::memory_order_relaxed);
  }
}

void StoredValueMirror::setNumber(int patch, double value) {
  if (patch < 0 || patch >= patch_count_) return;
  numbers_[patch].store(value, std::memory_order_release);
}

double StoredValueMirror::number(int patch) const {
  return numbers_[index(patch)].load(std::memory_order_acquire);
}

void StoredValueMirror::setText(int patch, std::string_view text) {
  if (!texts_ || patch < 0 || patch >= patch_count_) return;
  TextSlot& s = texts_[patch];
  const std::size_t n = std::min<std::size_t>(text.size(), kTextCapacity);
  const uint32_t seq = s.sequence.load(std::memory_order_relaxed);
  s.sequence.store(seq + 1, std::memory_order_relaxed);  // odd: being written
  std::atomic_thread_fence(std::memory_order_release);
  for (int w = 0; w < kTextWords; ++w) {
    uint64_t word = 0;
    const std::size_t at = static_cast<std::size_t>(w) * 8;
    if (at < n) std::memcpy(&word, text.data() + at, std::min<std::size_t>(8, n - at));
    s.words[w].store(word, std::memory_order_relaxed);
  }
  s.sequence.store(seq + 2, std::memory_order_release);
}

std::size_t StoredValueMirror::text(int patch, char* out, std::size_t outSize) const {
  if (outSize == 0) return 0;
  out[0] = '\0';
  if (!texts_) return 0;
  const TextSlot& s = texts_[index(patch)];
  const std::size_t room = std::min<std::size_t>(outSize - 1, kTextCapacity);
  char buffer[kTextWords * 8];
  for (int attempt = 0; attempt < 4; ++attempt) {
    const uint32_t before = s.sequence.load(std::memory_order_acquire);
    for (int w = 0; w < kTextWords; ++w) {
      const uint64_t word = s.words[w].load(std::memory_order_relaxed);
      std::memcpy(buffer + w * 8, &word, 8);
    }
    std::atomic_thread_fence(std::memory_order_acquire);
    if ((before & 1u) == 0 && s.sequence.load(std::memory_order_relaxed) == before) break;
  }
  buffer[sizeof(buffer) - 1] = '\0';
  const std::size_t n = std::min(std::strlen(buffer), room);
  std::memcpy(out, buffer, n);
  out[n] = '\0';
  return n;
}

std::string StoredValueMirror::text(int patch) const {
  char buffer[kTextWords * 8];
  const std::size_t n = text(patch, buffer, sizeof(buffer));
  return std::string(buffer, n);
}

}  // namespace kv
