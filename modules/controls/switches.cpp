#include "modules/controls/switches.h"

#include <algorithm>
#include <cmath>

#include "engine/audio_master.h"
#include "engine/document_module.h"

namespace kv {

namespace {
constexpr const char* kChoiceHelp =
    "Chooses which output to route the input signal to.  Connect to a 'List Entry' module.";

// The input's sample at the unit generator's position in the current block.
float valueAt(ug_base* u, const float* samples) {
  if (!samples) return 0.0f;
  const sample_clock pos = u->clock - u->master->block_start();
  return samples[std::clamp<sample_clock>(pos, 0, u->BlockSize() - 1)];
}
}  // namespace

// ---- Switch (1->Many) ----

ug_switch::ug_switch() { SetProcessFunction(&ug_switch::sub_process_sleep); }

void ug_switch::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(EnumIn(&choice, "Choice", "{AUTO}").Default("0").Help(kChoiceHelp));
  list.push_back(VoltsIn(&in, "Input").Default("0").Flags(kDeclNotVoiceSensitive));
  list.push_back(VoltsOut(nullptr, "Spare Output").Default("0").Flags(kDeclSpare));
}

void ug_switch::Open() {
  fill_.assign(static_cast<std::size_t>(std::max(OutputCount(), 0)), 0);
  ug_base::Open();
  Select(clock);
}

void ug_switch::OnPlugStateChange(sample_clock time, Connection* c, state_type state) {
  if (c->destination == GetPlug(kInput)) {
    input_state_ = state;
    if (selected_ >= 0)
      GetPlug(kFirstOutput + selected_)->TransmitState(time, std::max(state, ST_ONE_OFF));
  }
  Select(time);
  static_left_ = input_state_ == ST_RUN ? 0 : BlockSize();
  SetProcessFunction(&ug_switch::sub_process);
}

void ug_switch::Select(sample_clock time) {
  const int n = OutputCount();
  if (n <= 0) return;  // nothing to route to
  const int s = std::clamp<int>(choice, 0, n - 1);
  if (s == selected_) return;
  if (selected_ >= 0) {
    GetPlug(kFirstOutput + selected_)->TransmitState(time, ST_ONE_OFF);
    fill_[selected_] = BlockSize();
  }
  selected_ = s;
  fill_[s] = 0;
  GetPlug(kFirstOutput + s)->TransmitState(time, std::max(input_state_, ST_ONE_OFF));
  static_left_ = input_state_ == ST_RUN ? 0 : BlockSize();
  SetProcessFunction(&ug_switch::sub_process);
}

void ug_switch::sub_process(int offset, int count) {
  bool busy = false;
  for (int i = 0; i < OutputCount(); ++i) {
    float* o = GetPlug(kFirstOutput + i)->samples() + offset;
    if (i == selected_) {
      std::copy(in + offset, in + offset + count, o);
    } else if (fill_[i] > 0) {
      std::fill(o, o + count, 0.0f);
      fill_[i] -= count;
      busy = busy || fill_[i] > 0;
    }
  }
  if (input_state_ == ST_RUN) return;
  static_left_ -= count;
  if (!busy && static_left_ <= 0) SetProcessFunction(&ug_switch::sub_process_sleep);
}

// ---- Switch (Many->1) ----

ug_switch2::ug_switch2() { SetProcessFunction(&ug_switch2::sub_process_sleep); }

void ug_switch2::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(EnumIn(&choice, "Choice", "{AUTO}").Default("0").Help(kChoiceHelp));
  list.push_back(VoltsOut(&out, "Output").Default("0"));
  list.push_back(
      VoltsIn(nullptr, "Spare Input").Default("0").Flags(kDeclSpare | kDeclNotVoiceSensitive));
}

void ug_switch2::Open() {
  states_.assign(static_cast<std::size_t>(std::max(InputCount(), 0)), ST_STOP);
  ug_base::Open();
  Select(clock, true);
}

void ug_switch2::OnPlugStateChange(sample_clock time, Connection* c, state_type state) {
  const int i = c->destination->index() - kFirstInput;
  if (i >= 0 && i < InputCount()) {
    states_[i] = state;
    if (i == selected_) {
      GetPlug(kOutput)->TransmitState(time, std::max(state, ST_ONE_OFF));
      static_left_ = state == ST_RUN ? 0 : BlockSize();
      SetProcessFunction(&ug_switch2::sub_process);
    }
    return;
  }
  Select(time, false);
}

void ug_switch2::Select(sample_clock time, bool force) {
  const int n = InputCount();
  if (n <= 0) {  // nothing to take: a constant 0 V
    GetPlug(kOutput)->block()->Fill(0.0f);
    GetPlug(kOutput)->TransmitState(time, ST_ONE_OFF);
    return;
  }
  const int s = std::clamp<int>(choice, 0, n - 1);
  if (s == selected_ && !force) return;
  selected_ = s;
  GetPlug(kOutput)->TransmitState(time, std::max(states_[s], ST_ONE_OFF));
  static_left_ = states_[s] == ST_RUN ? 0 : BlockSize();
  SetProcessFunction(&ug_switch2::sub_process);
}

void ug_switch2::sub_process(int offset, int count) {
  const float* src = GetPlug(kFirstInput + selected_)->samples();
  if (src) std::copy(src + offset, src + offset + count, out + offset);
  else std::fill(out + offset, out + offset + count, 0.0f);
  if (states_[selected_] == ST_RUN) return;
  static_left_ -= count;
  if (static_left_ <= 0) SetProcessFunction(&ug_switch2::sub_process_sleep);
}

// ---- Voltage To List ----

ug_voltage_to_enum::ug_voltage_to_enum() {
  SetProcessFunction(&ug_voltage_to_enum::sub_process_sleep);
}

void ug_voltage_to_enum::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(
      VoltsIn(&in, "Signal in").Default("0").Flags(kDeclNotVoiceSensitive).Help("Input signal"));
  list.push_back(EnumOut(&list_out, "List Out"));
}

void ug_voltage_to_enum::Open() {
  // The list belongs to the document: the choices of whatever "List Out" drives there.
  if (table_.empty() || table_from_open_) {
    std::vector<int> values;
    if (document_module && document_module->ConnectedChoiceValues("List Out", 4096, values)) {
      table_.clear();
      for (int v : values) table_.push_back(static_cast<int16_t>(v));
      table_from_open_ = true;
    }
  }
  index_ = -1;
  ug_base::Open();
}

void ug_voltage_to_enum::Convert(sample_clock time, float v) {
  const int n = static_cast<int>(table_.size());
  if (n == 0) return;
  const double x = std::floor(static_cast<double>(v) * (n - 1) + 0.5);
  const int i = !(x > 0.0) ? 0 : (x >= n - 1 ? n - 1 : static_cast<int>(x));
  if (i == index_) return;
  index_ = i;
  if (table_[i] == list_out) return;
  list_out = table_[i];
  GetPlug(kListOut)->TransmitState(time, ST_ONE_OFF);
}

void ug_voltage_to_enum::OnPlugStateChange(sample_clock time, Connection* c, state_type state) {
  if (state == ST_RUN) {
    SetProcessFunction(&ug_voltage_to_enum::sub_process);
    return;
  }
  Convert(time, valueAt(this, in));
  SetProcessFunction(&ug_voltage_to_enum::sub_process_sleep);
}

void ug_voltage_to_enum::sub_process(int offset, int count) {
  for (int k = 0; k < count; ++k) Convert(clock + k, in[offset + k]);
}

// ---- Fixed Values ----

void ug_fixed_values::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(VoltsOut(nullptr, "Spare Value")
                     .Default("0")
                     .Flags(kDeclSpare | kDeclFollowSource)
                     .Help("Pre-Set Voltage"));
}

}  // namespace kv
