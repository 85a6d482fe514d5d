#pragma once
// EngineGate: keeps audio calls away from an engine while it is built, replaced or deleted.
//
// The engine's owner holds one gate. The audio thread enters before it touches the engine
// and leaves after; it never waits: a closed gate turns the call away (the call then plays
// silence). The side that changes the engine, always under the owner's engine-lifetime lock
// (so there is one closer at a time), closes the gate and waits until a call in progress has
// left; from then on the engine is its alone, until it opens the gate again.
//
// Both flags are written and read sequentially consistent: the pair is a Dekker handshake.
// Either the entering call sees the gate closed, or the closer sees the call inside and
// waits for it; never neither.
#include <atomic>
#include <chrono>
#include <thread>

namespace kv {

class EngineGate {
 public:
  // Audio thread: true when the engine may be used until Leave().
  bool Enter() {
    inside_.store(true, std::memory_order_seq_cst);
    if (open_.load(std::memory_order_seq_cst)) return true;
    inside_.store(false, std::memory_order_seq_cst);
    return false;
  }
  void Leave() { inside_.store(false, std::memory_order_seq_cst); }

  // Closes the gate and waits for a call in progress: first by yielding (audio calls are
  // short), then `polls` sleeps of `interval`. False when the call had still not left.
  bool Close(std::chrono::milliseconds interval, int polls) {
    open_.store(false, std::memory_order_seq_cst);
    for (int i = 0; i < 1000 && busy(); ++i) std::this_thread::yield();
    for (int i = 0; i < polls && busy(); ++i) std::this_thread::sleep_for(interval);
    return !busy();
  }
  void Open() { open_.store(true, std::memory_order_seq_cst); }

  // Any thread: whether audio calls currently reach the engine.
  bool is_open() const { return open_.load(std::memory_order_acquire); }

 private:
  bool busy() const { return inside_.load(std::memory_order_seq_cst); }

  std::atomic<bool> open_{false};
  std::atomic<bool> inside_{false};
};

}  // namespace kv
