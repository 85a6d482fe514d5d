#include "modules/logic/clipper.h"

#include <algorithm>

namespace kv {

namespace {
inline float Clip(float x, float hi, float lo) { return x > hi ? hi : (x < lo ? lo : x); }
}  // namespace

void ug_clipper::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(VoltsIn(&signal_in, "Signal In").Default("0"));
  list.push_back(VoltsIn(&hi_in, "Hi Limit").Default("5").Help("Clips any input signal above this voltage"));
  list.push_back(VoltsIn(&lo_in, "Lo Limit")
                     .Default("-2")
                     .Choices("-100, 0, 0, -10")
                     .Help("Clips any input signal below this voltage"));
  list.push_back(VoltsOut(&out, "Signal Out"));
}

void ug_clipper::Open() {
  ug_base::Open();
  Choose(clock);
}

void ug_clipper::OnPlugStateChange(sample_clock time, Connection*, state_type) { Choose(time); }

void ug_clipper::Choose(sample_clock time) {
  const state_type s = std::max({plugs[kSignal]->state, plugs[kHiLimit]->state, plugs[kLoLimit]->state});
  if (s == ST_RUN) {
    if (plugs[kHiLimit]->state != ST_RUN && plugs[kLoLimit]->state != ST_RUN)
      SetProcessFunction(&ug_clipper::sub_process_fixed_limits);
    else
      SetProcessFunction(&ug_clipper::sub_process_all);
    plugs[kOutput]->TransmitState(time, ST_RUN);
  } else {
    SetProcessFunction(&ug_clipper::sub_process_all);
    RunOneThenStatic();
    plugs[kOutput]->TransmitState(time, ST_ONE_OFF);
  }
}

void ug_clipper::sub_process_all(int offset, int count) {
  const float* x = signal_in + offset;
  const float* hi = hi_in + offset;
  const float* lo = lo_in + offset;
  float* o = out + offset;
  for (int i = 0; i < count; ++i) o[i] = Clip(x[i], hi[i], lo[i]);
}

void ug_clipper::sub_process_fixed_limits(int offset, int count) {
  const float* x = signal_in + offset;
  const float hi = hi_in[offset], lo = lo_in[offset];
  float* o = out + offset;
  for (int i = 0; i < count; ++i) o[i] = Clip(x[i], hi, lo);
}

}  // namespace kv
