#include "modules/oscillators/test_tone.h"

#include <cmath>

namespace kv {

void ug_test_tone::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(VoltsOut(&out, "Signal Out").Default("0").Help("Output Signal"));
}

void ug_test_tone::Open() {
  ug_base::Open();
  angle_ = 0.0f;
  step_ = 6283.1855f / SampleRate();
  SetProcessFunction(&ug_test_tone::sub_process);
  plugs[kSignalOut]->TransmitState(clock, ST_RUN);
}

void ug_test_tone::sub_process(int offset, int count) {
  float* o = out + offset;
  float a = angle_;
  const float step = step_;
  for (int i = 0; i < count; ++i) {
    a += step;
    o[i] = 0.5f * std::sin(a);
    if (a > 6.283185307179586) a -= 6.2831855f;
  }
  angle_ = a;
}

}  // namespace kv
