#pragma once
// The host's transport record as the engine sees it: the same 88-byte layout as the VST 2
// time-information record, so the application copies it whole.
#include <cstddef>
#include <cstdint>

namespace kv {

struct TimeInfo {
  double samplePos;
  double sampleRate;
  double nanoSeconds;
  double ppqPos;
  double tempo;
  double barStartPos;
  double cycleStartPos;
  double cycleEndPos;
  int32_t timeSigNumerator;
  int32_t timeSigDenominator;
  int32_t smpteOffset;
  int32_t smpteFrameRate;
  int32_t samplesToNextClock;
  int32_t flags;
};
static_assert(sizeof(TimeInfo) == 88);
static_assert(offsetof(TimeInfo, timeSigNumerator) == 64);
static_assert(offsetof(TimeInfo, flags) == 84);

// Validity and request flags of TimeInfo::flags.
enum TimeInfoFlags : int32_t {
  kTimeNanosValid = 1 << 8,
  kTimePpqPosValid = 1 << 9,
  kTimeTempoValid = 1 << 10,
  kTimeBarsValid = 1 << 11,
  kTimeCyclePosValid = 1 << 12,
  kTimeTimeSigValid = 1 << 13,
  kTimeSmpteValid = 1 << 14,
  kTimeClockValid = 1 << 15,
};

}  // namespace kv
