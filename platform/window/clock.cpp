#include "platform/window/clock.h"

#include <chrono>

namespace kv::ui {

uint64_t SteadyClock::nowMs() const
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

SteadyClock& SteadyClock::instance()
{
    static SteadyClock clock;
    return clock;
}

} // namespace kv::ui
