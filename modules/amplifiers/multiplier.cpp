#include "modules/amplifiers/multiplier.h"

#include "modules/amplifiers/block_ops.h"

namespace kv {

void ug_multiplier::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(VoltsIn(&in1, "Input 1")
                     .Default("8")
                     .Flags(kDeclNotVoiceSensitive)
                     .Help("The 2 inputs are Multiplied. Then 'normalised' eg 5V multiplied by 2 V "
                           "= 1V, (5 * 2 ) / 10 "));
  list.push_back(VoltsIn(&in2, "Input 2").Default("8").Flags(kDeclNotVoiceSensitive));
  list.push_back(VoltsOut(&out, "Output").Default("0"));
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
