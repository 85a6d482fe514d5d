#include "modules/logic/comparator.h"

#include <algorithm>

namespace kv {

void ug_comparator::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(VoltsIn(&in_a, "Input A")
                     .Default("8")
                     .Help("The 2 inputs are compared.  The output goes either high or low depending"));
  list.push_back(VoltsIn(&in_b, "Input B").Default("8"));
  list.push_back(VoltsOut(&out, "Output").Default("0"));
  list.push_back(DoubleParameter(&hi_out_val, "Hi Out Val").Default("5"));
  list.push_back(DoubleParameter(&lo_out_val, "Lo Out Val").Default("-5"));
}

void ug_comparator::Open() {
  ug_base::Open();
  Choose(clock);
}

void ug_comparator::OnPlugStateChange(sample_clock time, Connection*, state_type) { Choose(time); }

void ug_comparator::Choose(sample_clock time) {
  hi_ = static_cast<float>(hi_out_val * 0.1);
  lo_ = static_cast<float>(lo_out_val * 0.1);
  const state_type a = plugs[kInputA]->state, b = plugs[kInputB]->state;
  if (a == ST_RUN || b == ST_RUN) {
    if (a != ST_RUN)
      SetProcessFunction(&ug_comparator::sub_process_b_streams);
    else if (b != ST_RUN)
      SetProcessFunction(&ug_comparator::sub_process_a_streams);
    else
      SetProcessFunction(&ug_comparator::sub_process_both);
    plugs[kOutput]->TransmitState(time, ST_RUN);
  } else {
    SetProcessFunction(&ug_comparator::sub_process_both);
    RunOneThenStatic();
    plugs[kOutput]->TransmitState(time, ST_ONE_OFF);
  }
}

void ug_comparator::sub_process_both(int offset, int count) {
  const float* a = in_a + offset;
  const float* b = in_b + offset;
  float* o = out + offset;
  const float hi = hi_, lo = lo_;
  for (int i = 0; i < count; ++i) o[i] = a[i] > b[i] ? hi : lo;
}

void ug_comparator::sub_process_a_streams(int offset, int count) {
  const float* a = in_a + offset;
  const float b = in_b[offset];
  float* o = out + offset;
  const float hi = hi_, lo = lo_;
  for (int i = 0; i < count; ++i) o[i] = a[i] > b ? hi : lo;
}

void ug_comparator::sub_process_b_streams(int offset, int count) {
  const float a = in_a[offset];
  const float* b = in_b + offset;
  float* o = out + offset;
  const float hi = hi_, lo = lo_;
  for (int i = 0; i < count; ++i) o[i] = a > b[i] ? hi : lo;
}

}  // namespace kv
