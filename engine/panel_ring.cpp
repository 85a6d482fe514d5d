#include "engine/panel_ring.h"

#include <chrono>
#include <thread>

namespace kv {

namespace {
class SteadyWaitClock final : public WaitClock {
 public:
  int64_t NowMs() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  void SleepMs(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};
}  // namespace

WaitClock& SystemWaitClock() {
  static SteadyWaitClock clock;
  return clock;
}

bool PanelRing::Post(PanelMessage m, const std::atomic<uint64_t>& heartbeat,
                     WaitClock& wait_clock) {
  const int w = write_.load(std::memory_order_relaxed);
  const int slot = (w + 1) % kEntries;
  int64_t now = wait_clock.NowMs();
  auto audio_alive = [&] {
    const uint64_t hb = heartbeat.load(std::memory_order_acquire);
    if (hb != seen_heartbeat_) {
      seen_heartbeat_ = hb;
      seen_heartbeat_ms_ = now;
    }
    return now - seen_heartbeat_ms_ < kAliveMs;
  };
  int waits = 0;
  while (slot == read_.load(std::memory_order_acquire)) {
    if (waits == kMaxWaits || !audio_alive()) {
      dropped_.fetch_add(1, std::memory_order_relaxed);
      return false;
    }
    wait_clock.SleepMs(1);
    ++waits;
    now = wait_clock.NowMs();
  }
  m.posted_ms = now;
  slots_[slot] = m;
  write_.store(slot, std::memory_order_release);
  return true;
}

}  // namespace kv
