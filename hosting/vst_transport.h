// The host's song position as plug-ins see it through audioMasterGetTime.
//
// The transport keeps the sample position, the musical position in quarter notes
// (ppq), the tempo and the time signature. The position in quarter notes is
// accumulated block by block at the tempo in force, so a tempo change moves later
// positions correctly; bars are counted from position 0 in the current signature.
// `timeInfo()` fills a VstTimeInfo record owned by the transport, whose address a
// host callback can hand to the plug-in.
#pragma once

#include <cstdint>

#include "platform/vst/aeffect.h"

namespace kv {

class VstTransport {
 public:
  VstTransport();

  void setSampleRate(double rate);
  void setTempo(double beatsPerMinute);   // ignored unless positive and finite
  void setTimeSignature(int32_t numerator, int32_t denominator);  // ignored unless valid
  void setPlaying(bool playing);

  // Jumps to `samplePos`, taking the musical position from the current tempo.
  void locate(int64_t samplePos);
  // Moves forward by `frames` samples at the current tempo.
  void advance(int32_t frames);

  double sampleRate() const { return sampleRate_; }
  double tempo() const { return tempo_; }
  int64_t samplePosition() const { return samplePos_; }
  double ppqPosition() const { return ppqPos_; }
  bool playing() const { return playing_; }

  // The record for the current position. The "changed" flag is set on the first
  // query after the play state or the position jumped, then cleared.
  const vst::VstTimeInfo& timeInfo();

 private:
  double sampleRate_ = 44100.0;
  double tempo_ = 120.0;
  int32_t timeSigNumerator_ = 4;
  int32_t timeSigDenominator_ = 4;
  int64_t samplePos_ = 0;
  double ppqPos_ = 0.0;
  bool playing_ = false;
  bool changed_ = true;
  vst::VstTimeInfo info_{};
};

}  // namespace kv
