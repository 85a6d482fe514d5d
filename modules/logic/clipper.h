#pragma once
// ug_clipper ("Clipper"): the signal limited to Hi Limit from above and Lo Limit from
// below. The upper test comes first, so with Lo above Hi an input above Hi gives Hi and
// any other input below Lo gives Lo. A NaN signal passes through; a NaN limit limits
// nothing. The output streams while any input streams; otherwise one sample is computed
// and held, and the module sleeps.
#include <vector>

#include "engine/ug_base.h"

namespace kv {

class ug_clipper : public ug_base {
 public:
  enum PlugIndex { kSignal, kHiLimit, kLoLimit, kOutput };

  ug_base* CreateObject() override { return new ug_clipper; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;

  float* signal_in = nullptr;
  float* hi_in = nullptr;
  float* lo_in = nullptr;
  float* out = nullptr;

 private:
  // Every input read per sample.
  void sub_process_all(int offset, int count);
  // The signal streams, both limits are static.
  void sub_process_fixed_limits(int offset, int count);
  void Choose(sample_clock time);
};

}  // namespace kv
