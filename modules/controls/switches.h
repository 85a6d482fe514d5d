#pragma once
// Routing modules of the control family.
//
// "Switch (1->Many)" (ug_switch): the input goes to output clamp(choice, 0, outputs - 1).
// A newly deselected output transmits ST_ONE_OFF and reads 0 V for one full block; the
// selected output carries the input's state (at least ST_ONE_OFF). With no output nothing
// is routed.
// "Switch (Many->1)" (ug_switch2): the selected input goes to the one output, which carries
// that input's state; state changes of other inputs are only recorded.
// "Voltage To List" (ug_voltage_to_enum): a voltage picks an entry of the choice list of the
// input its "List Out" drives: index floor(v (n - 1) + 0.5), clamped; a streaming input is
// converted sample by sample, each change sent at its own sample. An empty list sends
// nothing.
// "Fixed Values" (ug_fixed_values): outputs whose voltages are document values; it only
// sleeps.
#include <vector>

#include "engine/ug_base.h"

namespace kv {

class ug_switch : public ug_base {
 public:
  enum PlugIndex { kChoice, kInput, kFirstOutput };

  ug_switch();
  ug_base* CreateObject() override { return new ug_switch; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;

  int selected() const { return selected_; }
  int16_t choice = 0;
  float* in = nullptr;

 private:
  int OutputCount() const { return static_cast<int>(plugs.size()) - kFirstOutput; }
  void Select(sample_clock time);
  void sub_process(int offset, int count);

  std::vector<int> fill_;  // per output: samples of 0 V still to write after deselection
  state_type input_state_ = ST_STOP;
  int selected_ = -1;
  int static_left_ = 0;
};

class ug_switch2 : public ug_base {
 public:
  enum PlugIndex { kChoice, kOutput, kFirstInput };

  ug_switch2();
  ug_base* CreateObject() override { return new ug_switch2; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;

  int selected() const { return selected_; }
  int16_t choice = 0;
  float* out = nullptr;

 private:
  int InputCount() const { return static_cast<int>(plugs.size()) - kFirstInput; }
  void Select(sample_clock time, bool force);
  void sub_process(int offset, int count);

  std::vector<state_type> states_;
  int selected_ = -1;
  int static_left_ = 0;
};

class ug_voltage_to_enum : public ug_base {
 public:
  enum PlugIndex { kSignalIn, kListOut };

  ug_voltage_to_enum();
  ug_base* CreateObject() override { return new ug_voltage_to_enum; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  // Reads the list of the input "List Out" drives from the document module (build time).
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;
  // Build time: the values of the list's entries, in list order.
  void SetListValues(std::vector<int16_t> values) { table_ = std::move(values); }

  float* in = nullptr;
  int16_t list_out = 0;

 private:
  void Convert(sample_clock time, float v);
  void sub_process(int offset, int count);
  std::vector<int16_t> table_;
  int index_ = -1;
  bool table_from_open_ = false;
};

class ug_fixed_values : public ug_base {
 public:
  ug_fixed_values() { SetProcessFunction(&ug_fixed_values::sub_process_sleep); }
  ug_base* CreateObject() override { return new ug_fixed_values; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
};

}  // namespace kv
