#pragma once
// ug_multiplier ("Level Adj", "Ring Modulator"): Output = Input 1 x Input 2. The product
// of two normalised samples is itself normalised: 5 V x 2 V gives 1 V. A static zero on
// either input gives a static zero output.
#include <vector>

#include "modules/amplifiers/math_base.h"

namespace kv {

class ug_multiplier : public ug_math_base {
 public:

  ug_multiplier() : ug_math_base(true) {}
  ug_base* CreateObject() override { return new ug_multiplier; }
  void ListInterface(std::vector<InterfaceObject>& list) override;

 protected:
  void RenderBoth(int offset, int count) override;
  void RenderIn2Static(int offset, int count) override;
  void RenderIn1Static(int offset, int count) override;
};

}  // namespace kv
