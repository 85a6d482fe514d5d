#include "hosting/vst_transport.h"

#include <cmath>

namespace kv {

VstTransport::VstTransport() = default;

void VstTransport::setSampleRate(double rate) {
  if (rate > 0 && std::isfinite(rate)) sampleRate_ = rate;
}

void VstTransport::setTempo(double beatsPerMinute) {
  if (beatsPerMinute > 0 && std::isfinite(beatsPerMinute)) tempo_ = beatsPerMinute;
}

void VstTransport::setTimeSignature(int32_t numerator, int32_t denominator) {
  // The denominator is a power of two note value; anything else is not a signature.
  if (numerator < 1 || numerator > 255) return;
  if (denominator < 1 || denominator > 256 || (denominator & (denominator - 1)) != 0) return;
  timeSigNumerator_ = numerator;
  timeSigDenominator_ = denominator;
}

void VstTransport::setPlaying(bool playing) {
  if (playing != playing_) changed_ = true;
  playing_ = playing;
}

void VstTransport::locate(int64_t samplePos) {
  samplePos_ = samplePos;
  ppqPos_ = static_cast<double>(samplePos) / sampleRate_ * tempo_ / 60.0;
  changed_ = true;
}

void VstTransport::advance(int32_t frames) {
  if (frames <= 0) return;
  samplePos_ += frames;
  ppqPos_ += static_cast<double>(frames) / sampleRate_ * tempo_ / 60.0;
}

const vst::VstTimeInfo& VstTransport::timeInfo() {
  info_ = {};
  info_.samplePos = static_cast<double>(samplePos_);
  info_.sampleRate = sampleRate_;
  info_.nanoSeconds = static_cast<double>(samplePos_) / sampleRate_ * 1e9;
  info_.ppqPos = ppqPos_;
  info_.tempo = tempo_;
  const double barLength = 4.0 * timeSigNumerator_ / timeSigDenominator_;
  // A tiny tolerance keeps a position that is a whole bar up to rounding in that bar.
  info_.barStartPos = std::floor(ppqPos_ / barLength + 1e-9) * barLength;
  info_.timeSigNumerator = timeSigNumerator_;
  info_.timeSigDenominator = timeSigDenominator_;
  // MIDI clock runs at 24 per quarter note.
  const double clocks = ppqPos_ * 24.0;
  const double toNext = (std::ceil(clocks - 1e-9) - clocks) / 24.0 * 60.0 / tempo_ * sampleRate_;
  info_.samplesToNextClock = static_cast<int32_t>(std::lround(toNext));
  info_.flags = vst::kVstNanosValid | vst::kVstPpqPosValid | vst::kVstTempoValid |
                vst::kVstBarsValid | vst::kVstTimeSigValid | vst::kVstClockValid;
  if (playing_) info_.flags |= vst::kVstTransportPlaying;
  if (changed_) info_.flags |= vst::kVstTransportChanged;
  changed_ = false;
  return info_;
}

}  // namespace kv
