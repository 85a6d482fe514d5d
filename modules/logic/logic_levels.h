#pragma once
// Logic levels shared by the logic modules. An input is read through a two-threshold
// trigger that keeps a state per input: the state turns high when a sample exceeds 1/3
// (3.333 V) and low when a sample falls below 1/6 (1.667 V); between the two it keeps its
// previous value, so a noisy or slowly moving signal does not chatter. A NaN sample crosses
// neither threshold and leaves the state as it was. Logic outputs are 5 V (0.5) for high
// and 0 V for low.
namespace kv {

inline constexpr float kLogicThresholdHigh = 1.0f / 3.0f;
inline constexpr float kLogicThresholdLow = 1.0f / 6.0f;
inline constexpr float kLogicOutHigh = 0.5f;
inline constexpr float kLogicOutLow = 0.0f;

// Reads one sample into `high`; answers whether the state changed.
template <typename State>
inline bool LogicStep(State& high, float sample) {
  if (high ? sample < kLogicThresholdLow : sample > kLogicThresholdHigh) {
    high = !high;
    return true;
  }
  return false;
}

}  // namespace kv
