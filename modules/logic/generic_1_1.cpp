#include "modules/logic/generic_1_1.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace kv {

void ug_generic_1_1::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(VoltsIn(&in, "Signal in").Default("0"));
  list.push_back(VoltsOut(&out, "Signal Out"));
}

void ug_generic_1_1::Open() {
  ug_base::Open();
  // An input without a source sends no change: compute the output from what it reads now.
  OnInputState(clock, plugs[kInput]->state);
}

void ug_generic_1_1::OnPlugStateChange(sample_clock time, Connection*, state_type state) {
  OnInputState(time, state);
}

void ug_generic_1_1::OnInputState(sample_clock time, state_type state) {
  SetProcessFunction(&ug_generic_1_1::sub_process);
  if (state == ST_RUN) {
    plugs[kOutput]->TransmitState(time, ST_RUN);
  } else {
    RunOneThenStatic();
    plugs[kOutput]->TransmitState(time, ST_ONE_OFF);
  }
}

void ug_rectifier::Render(const float* input, float* output, int count) {
  for (int i = 0; i < count; ++i) output[i] = std::fabs(input[i]);
}

void ug_inverter::Render(const float* input, float* output, int count) {
  for (int i = 0; i < count; ++i) output[i] = -input[i];
}

void ug_math_floor::Render(const float* input, float* output, int count) {
  for (int i = 0; i < count; ++i) output[i] = std::floor(input[i] * 10.0f) / 10.0f;
}

void ug_math_ceil::Render(const float* input, float* output, int count) {
  for (int i = 0; i < count; ++i) output[i] = std::ceil(input[i] * 10.0f) / 10.0f;
}

bool IsDenormalSample(float x) {
  const uint32_t bits = std::bit_cast<uint32_t>(x);
  return (bits & 0x7F800000u) == 0 && (bits & 0x007FFFFFu) != 0;
}

void ug_denormal_stop::Render(const float* input, float* output, int count) {
  for (int i = 0; i < count; ++i) output[i] = IsDenormalSample(input[i]) ? 0.0f : input[i];
}

void ug_denormal_detect::Render(const float* input, float* output, int count) {
  // 50 V: far above any logic threshold, so a gate or an LED reading it is sure to see it.
  for (int i = 0; i < count; ++i) output[i] = IsDenormalSample(input[i]) ? 5.0f : 0.0f;
}

}  // namespace kv
