#pragma once
// Millisecond clock of the window system. Every editor takes its clock by reference so
// that tests can drive timers, double-click windows and tooltip delays deterministically.
#include <cstdint>

namespace kv::ui {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary fixed start; never goes backwards.
    virtual uint64_t nowMs() const = 0;
};

// The real clock: std::chrono::steady_clock.
class SteadyClock final : public Clock {
public:
    uint64_t nowMs() const override;
    static SteadyClock& instance();
};

// A clock that only moves when told to.
class FakeClock final : public Clock {
public:
    explicit FakeClock(uint64_t start = 1000) : now_(start) {}
    uint64_t nowMs() const override { return now_; }
    void advance(uint64_t ms) { now_ += ms; }
    void set(uint64_t ms) { if (ms > now_) now_ = ms; }
private:
    uint64_t now_;
};

} // namespace kv::ui
