#include "modules/amplifiers/multiplier.h"

#include "modules/amplifiers/block_ops.h"

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
  block_ops::Multiply(out + offset, in1 + offset, in2 + offset, count);
}

void ug_multiplier::RenderIn2Static(int offset, int count) {
  block_ops::Scale(out + offset, in1 + offset, in2[offset], count);
}

void ug_multiplier::RenderIn1Static(int offset, int count) {
  // k x b equals b x k exactly (multiplication is commutative in IEEE arithmetic).
  block_ops::Scale(out + offset, in2 + offset, in1[offset], count);
}

}  // namespace kv
