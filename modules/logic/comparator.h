#pragma once
// ug_comparator ("Comparator"): Hi Out Val while Input A is above Input B, otherwise Lo Out
// Val (no hysteresis; a NaN on either input compares as not above). The output values
// are settings in volts. One renderer per combination of streaming inputs; with both
// inputs static one sample is computed and held, and the module sleeps.
#include <vector>

#include "engine/ug_base.h"

namespace kv {

class ug_comparator : public ug_base {
 public:
  enum PlugIndex { kInputA, kInputB, kOutput, kHiOutVal, kLoOutVal };

  ug_base* CreateObject() override { return new ug_comparator; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;

  float* in_a = nullptr;
  float* in_b = nullptr;
  float* out = nullptr;
  double hi_out_val = 5.0;
  double lo_out_val = -5.0;

 private:
  void sub_process_both(int offset, int count);
  void sub_process_a_streams(int offset, int count);
  void sub_process_b_streams(int offset, int count);
  void Choose(sample_clock time);

  float hi_ = 0.5f;  // the output values as samples
  float lo_ = -0.5f;
};

}  // namespace kv
