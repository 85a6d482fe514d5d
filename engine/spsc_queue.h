#pragma once
// A bounded single-producer single-consumer queue of trivially copyable records.
// Push never blocks and never allocates: a full queue refuses the record and counts it.
// Used where the audio thread hands work to the user-interface thread.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace kv {

template <typename T, std::size_t Capacity>
class SpscQueue {
  static_assert(std::is_trivially_copyable_v<T>);
  static_assert(Capacity >= 2);

 public:
  // Producer side.
  bool Push(const T& item) {
    const std::size_t w = write_.load(std::memory_order_relaxed);
    const std::size_t next = (w + 1) % Capacity;
    if (next == read_.load(std::memory_order_acquire)) {
      dropped_.fetch_add(1, std::memory_order_relaxed);
      return false;
    }
    slots_[w] = item;
    write_.store(next, std::memory_order_release);
    return true;
  }

  // Consumer side.
  bool Pop(T& out) {
    const std::size_t r = read_.load(std::memory_order_relaxed);
    if (r == write_.load(std::memory_order_acquire)) return false;
    out = slots_[r];
    read_.store((r + 1) % Capacity, std::memory_order_release);
    return true;
  }

  bool empty() const {
    return read_.load(std::memory_order_acquire) == write_.load(std::memory_order_acquire);
  }
  int64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }
  static constexpr std::size_t capacity() { return Capacity - 1; }

 private:
  std::array<T, Capacity> slots_{};
  alignas(64) std::atomic<std::size_t> write_{0};
  alignas(64) std::atomic<std::size_t> read_{0};
  std::atomic<int64_t> dropped_{0};
};

}  // namespace kv
