#pragma once
// ug_test_tone ("1 KHz Tone"): a fixed 1 kHz sine at 5 V peak, for checking levels and
// routing. The angle steps by 2 pi x 1000 / sr per sample and wraps by 2 pi.
#include <vector>

#include "engine/ug_base.h"

namespace kv {

class ug_test_tone : public ug_base {
 public:
  enum PlugIndex { kSignalOut };

  ug_base* CreateObject() override { return new ug_test_tone; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;

  float* out = nullptr;

 private:
  void sub_process(int offset, int count);
  float angle_ = 0.0f;
  float step_ = 0.0f;
};

}  // namespace kv
