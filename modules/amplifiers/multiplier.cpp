#include "modules/amplifiers/multiplier.h"

namespace kv {

void ug_multiplier::ListInterface(std::vector<InterfaceObject>& list) {
  list.emplace_back(nullptr, dt_volts, &in1, DR_IN,
                    "The 2 inputs are Multiplied. Then 'normalised' eg 5V multiplied by 2 V = "
                    "1V, (5 * 2 ) / 10 ",
                    "Input 1", "8", "", 512);
  list.emplace_back(nullptr, dt_volts, &in2, DR_IN, "", "Input 2", "8", "", 512);
  list.emplace_back(nullptr, dt_volts, &out, DR_OUT, "", "Output", "0", "", 0);
}

void ug_multiplier::RenderBoth(int offset, int count) {
  const float* __restrict a = in1 + offset;
  const float* __restrict b = in2 + offset;
  float* __restrict o = out + offset;
  for (int i = 0; i < count; ++i) o[i] = a[i] * b[i];
}

void ug_multiplier::RenderIn2Static(int offset, int count) {
  const float* __restrict a = in1 + offset;
  float* __restrict o = out + offset;
  const float k = in2[offset];
  for (int i = 0; i < count; ++i) o[i] = a[i] * k;
}

void ug_multiplier::RenderIn1Static(int offset, int count) {
  const float* __restrict b = in2 + offset;
  float* __restrict o = out + offset;
  const float k = in1[offset];
  for (int i = 0; i < count; ++i) o[i] = k * b[i];
}

}  // namespace kv
