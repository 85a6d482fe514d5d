#pragma once
// PanelRing: how the panel (user-interface) thread reaches unit generators while the
// engine runs.
//
// The ring has 80 entries; `read` and `write` are indices 0..79, the next entry to read is
// read + 1 (mod 80) and the ring is empty when they are equal, so 79 messages fit. There
// is exactly one writer (the panel side; callers on several threads serialise through the
// application's engine lock) and one reader (the audio thread at the start of a host call).
// Each side moves only its own index: the writer fills the slot after `write`, then
// publishes it with a release store of `write`; the reader acquires `write`, copies the
// entries and releases its new `read`, which hands the slots back to the writer. Neither
// side ever takes a lock.
//
// When the ring is full the writer may wait for the audio thread to drain it, but only
// while the audio thread is alive: every engine run advances a heartbeat counter, and the
// writer waits (1 ms steps, at most 50) only if it has seen the heartbeat move within the
// last 50 ms. A host that has stopped calling process therefore costs the panel no wait.
// If the ring is still full, the NEW message is dropped and counted; the writer never
// moves the reader's index (doing so would race with a read in progress and could tear,
// repeat or misroute a message).
#include <array>
#include <atomic>
#include <cstdint>

namespace kv {

class ug_base;

struct PanelMessage {
  ug_base* target = nullptr;
  int32_t kind = 0;
  int32_t argument = 0;
  int32_t plug = -1;  // plug index for value messages, else -1
  int64_t posted_ms = 0;  // panel-side time of posting
};

// Time and sleeping as the waiting writer sees them; tests inject their own.
class WaitClock {
 public:
  virtual ~WaitClock() = default;
  virtual int64_t NowMs() = 0;
  virtual void SleepMs(int ms) = 0;
};

// steady_clock and sleep_for.
WaitClock& SystemWaitClock();

class PanelRing {
 public:
  static constexpr int kEntries = 80;
  static constexpr int kMaxWaits = 50;       // 1 ms each
  static constexpr int64_t kAliveMs = 50;    // heartbeat seen this recently = audio alive

  // Writer side. `heartbeat` is the master's run counter. Answers false when the message
  // was dropped because the ring stayed full.
  bool Post(PanelMessage m, const std::atomic<uint64_t>& heartbeat, WaitClock& wait_clock);

  // Reader side (audio thread): hands every queued message, oldest first, to `f`.
  template <typename F>
  int Drain(F&& f) {
    int r = read_.load(std::memory_order_relaxed);
    const int w = write_.load(std::memory_order_acquire);
    int n = 0;
    while (r != w) {
      r = (r + 1) % kEntries;
      f(static_cast<const PanelMessage&>(slots_[r]));
      ++n;
    }
    read_.store(r, std::memory_order_release);
    return n;
  }

  bool empty() const {
    return read_.load(std::memory_order_acquire) == write_.load(std::memory_order_acquire);
  }
  int64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

 private:
  std::array<PanelMessage, kEntries> slots_{};
  alignas(64) std::atomic<int> write_{0};
  alignas(64) std::atomic<int> read_{0};
  std::atomic<int64_t> dropped_{0};
  // Writer-only bookkeeping of the heartbeat.
  uint64_t seen_heartbeat_ = 0;
  int64_t seen_heartbeat_ms_ = INT64_MIN / 2;
};

}  // namespace kv
