#include "modules/filters/filter_base.h"

namespace kv::filters {

namespace {
constexpr const char* kFreqScaleList = "1 Volt/Octave, 1 Volt/kHz ";
constexpr const char* kFreqScaleHelp = "Switches between 1 Volt per Octave or 1 Volt per kHz response.";
}  // namespace

DeclarationBuilder FilterBase::SignalIn(float** samples) {
  return VoltsIn(samples, "Signal").Default("0").Flags(kDeclNotVoiceSensitive);
}

DeclarationBuilder FilterBase::PitchIn(float** samples, const char* help) {
  return VoltsIn(samples, "Pitch").Default("5").Help(help);
}

DeclarationBuilder FilterBase::ResonanceIn(float** samples, const char* help) {
  return VoltsIn(samples, "Resonance").Default("5").Help(help);
}

DeclarationBuilder FilterBase::FreqScaleParameter(int16_t* freq_scale) {
  return EnumParameter(freq_scale, "Freq Scale", kFreqScaleList).Default("0").Help(kFreqScaleHelp);
}

bool FilterBase::SignalStatic() const {
  if (Streams(kSignalPlug)) return false;
  const UPlug* input = plugs[kSignalPlug];
  for (const Connection* c : input->connections)
    if (c->destination == input && c->source->state == ST_RUN) return false;
  return true;
}

}  // namespace kv::filters
