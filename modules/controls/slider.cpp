#include "modules/controls/slider.h"

#include <cmath>

#include "engine/number_text.h"
#include "engine/stored_value_mirror.h"
#include "engine/audio_master.h"

namespace kv {

namespace {
constexpr const char* kAppearanceChoices =
    "None=-1,Plain Slider, Vert Slider, Horiz Slider, Knob, Button, Button (toggle),Plain Button, "
    "Small Knob, Small Button, Small Button (Toggle)";
}  // namespace

void ug_slider::ListInterface(std::vector<InterfaceObject>& list) {
  ListCommonPlugs(this, list);
  list.push_back(VoltsOut(&out, "Signal Out"));
  list.push_back(FloatParameter(&lo_value, "Lo Value").Default("0").Help("Minimum output value"));
  list.push_back(FloatParameter(&hi_value, "Hi Value").Default("10").Help("Maximum output value"));
  list.push_back(EnumParameter(&appearance, "Appearance", kAppearanceChoices)
                     .Default("1")
                     .Help("Sets the appearance of the control"));
  list.push_back(
      BoolParameter(&show_readout, "Show Readout").Default("1").Help("Adds text readout of value"));
  list.push_back(BoolParameter(&show_title, "Show Title On Panel")
                     .Default("1")
                     .Help("Leaves control's title blank on Control Panel"));
}

int ug_slider::SmoothLength() const {
  // "Button", "Button (toggle)" and "Plain Button" switch almost at once.
  if (appearance >= 4 && appearance <= 6) return 4;
  return static_cast<int>(SampleRate() / 32.0f);
}

void ug_slider::Open() {
  ug_control::Open();
  output_.Init(this, GetPlug(OutputPlug()), &out, SmoothLength(), SmoothedOutput::kLine);
  const float v = values_ ? static_cast<float>(values_->number(current_patch()) * 0.1) : 0.0f;
  value_.store(v, std::memory_order_relaxed);
  output_.Start(clock, v);
  SetProcessFunction(&ug_slider::sub_process);
}

void ug_slider::Resume() {
  ug_control::Resume();
  output_.Resume();
}

void ug_slider::sub_process(int offset, int count) {
  if (output_.Run(offset, count)) SetProcessFunction(&ug_slider::sub_process_sleep);
}

void ug_slider::RecallValue(int patch, bool smooth) {
  const int p = patch < 0 ? current_patch() : patch;
  const float v = values_ ? static_cast<float>(values_->number(p) * 0.1) : 0.0f;
  ApplyValue(v, smooth);
}

void ug_slider::ApplyValue(float v, bool smooth) {
  value_.store(v, std::memory_order_relaxed);
  if (!(flags & UGF_OPEN)) return;
  output_.Ramp(clock, v, smooth ? SmoothLength() : 0);
  SetProcessFunction(&ug_slider::sub_process);
}

bool ug_slider::OnControllerValue(float x) {
  const float lo = Lo(), hi = Hi();
  const float v = (lo + (hi - lo) * x) * 0.1f;
  if (v == value()) return false;
  value_.store(v, std::memory_order_relaxed);
  PostValue(v, true);
  RequestDocumentRefresh();
  return true;
}

float ug_slider::GetNormalised() const {
  const float lo = Lo(), hi = Hi();
  if (hi == lo) return 0.0f;
  const float n = (value() * 10.0f - lo) / (hi - lo);
  return n > 0.0f ? n : 0.0f;
}

std::string ug_slider::GetValueText() const {
  return formatFixed(value() * 10.0f, 3);
}

void ug_param_float_in::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(VoltsOut(&out, "Signal Out"));
  list.push_back(MidiIn(&midi_in, "MIDI In").Flags(kDeclUnlisted));
  list.push_back(MidiOut(&midi_out, "MIDI Out").Flags(kDeclUnlisted));
}

int ug_param_float_in::SmoothLength() const { return static_cast<int>(SampleRate() / 32.0f); }

}  // namespace kv
