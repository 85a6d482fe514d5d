#include "modules/logic/logic_gates.h"

#include <algorithm>

#include "modules/logic/logic_levels.h"

namespace kv {

// ---- gates with any number of inputs ----------------------------------------------------

void ug_logic_gate::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(VoltsOut(&out, "Output"));
  list.push_back(VoltsIn(nullptr, "Input").Flags(kDeclAudioInput | kDeclAutoDuplicate | kDeclPlugsFromDocument));
}

void ug_logic_gate::SetupPlugs() {
  ug_base::SetupPlugs();
  // The inputs are made from the document's plugs, not from the declaration: they are
  // voice-sensitive as declared, so a gate fed by a voice plays in every voice.
  for (std::size_t k = kFirstInput; k < plugs.size(); ++k)
    if (plugs[k]->direction == DR_IN) plugs[k]->flags |= UPLUG_VOICE_SENSITIVE;
  const std::size_t n = plugs.size() > kFirstInput ? plugs.size() - kFirstInput : 0;
  logic_.assign(n, 0);
  streams_.assign(n, ST_STOP);
  inputs_.assign(n, nullptr);
}

void ug_logic_gate::Open() {
  ug_base::Open();
  for (std::size_t k = 0; k < inputs_.size(); ++k) inputs_[k] = plugs[kFirstInput + k]->samples();
  std::fill(logic_.begin(), logic_.end(), 0);
  std::fill(streams_.begin(), streams_.end(), ST_STOP);
  largest_ = ST_STOP;
  high_count_ = 0;
  const int n = static_cast<int>(inputs_.size());
  value_ = n > 0 && Gate(0, n) ? kLogicOutHigh : kLogicOutLow;
  plugs[kOutput]->block()->Fill(value_);
  plugs[kOutput]->TransmitState(clock, ST_ONE_OFF);
  SetProcessFunction(&ug_logic_gate::sub_process);
  ResetStaticOutput();
}

void ug_logic_gate::OnPlugStateChange(sample_clock, Connection* c, state_type state) {
  const int k = c->destination->index() - kFirstInput;
  if (k >= 0 && k < static_cast<int>(streams_.size())) {
    streams_[k] = state;
    largest_ = *std::max_element(streams_.begin(), streams_.end());
  }
  // The input's value may have changed here: read the inputs again for a full block.
  SetProcessFunction(&ug_logic_gate::sub_process);
  ResetStaticOutput();
}

void ug_logic_gate::Decide(sample_clock time) {
  const float v = Gate(high_count_, static_cast<int>(logic_.size())) ? kLogicOutHigh : kLogicOutLow;
  if (v == value_) return;
  value_ = v;
  plugs[kOutput]->TransmitState(time, ST_ONE_OFF);
}

void ug_logic_gate::sub_process(int offset, int count) {
  float* o = out + offset;
  const std::size_t n = inputs_.size();
  for (int i = 0; i < count; ++i) {
    bool changed = false;
    for (std::size_t k = 0; k < n; ++k) {
      if (LogicStep(logic_[k], inputs_[k][offset + i])) {
        high_count_ += logic_[k] ? 1 : -1;
        changed = true;
      }
    }
    if (changed) Decide(clock + i);
    o[i] = value_;
  }
  if (largest_ == ST_RUN) return;
  static_countdown -= count;
  if (static_countdown <= 0) SetProcessFunction(&ug_logic_gate::sub_process_sleep);
}

// ---- NOT ------------------------------------------------------------------------------------

void ug_logic_not::Open() {
  high_ = false;
  value_ = kLogicOutHigh;
  ug_generic_1_1::Open();
  plugs[kOutput]->block()->Fill(value_);
  plugs[kOutput]->TransmitState(clock, ST_ONE_OFF);
}

void ug_logic_not::OnInputState(sample_clock, state_type state) {
  SetProcessFunction(&ug_logic_not::sub_process);
  // A static input is read at the first sample of its change: one sample, then held.
  if (state != ST_RUN) RunOneThenStatic();
}

void ug_logic_not::Render(const float* input, float* output, int count) {
  for (int i = 0; i < count; ++i) {
    if (LogicStep(high_, input[i])) {
      value_ = high_ ? kLogicOutLow : kLogicOutHigh;
      plugs[kOutput]->TransmitState(clock + i, ST_ONE_OFF);
    }
    output[i] = value_;
  }
}

}  // namespace kv
