#pragma once
// ug_8_stage ("8 Stage Env"): eight segments, each with a rate and an end level input.
// "Sus Seg" names the segment to hold at while the gate is high ("None" = 10 never holds),
// "End Seg" the segment that ramps to 0 and ends the envelope; later segments are ignored.
// Both take effect when the envelope next moves between segments or sees a gate edge.
// An "End Seg" outside 0..7 counts as the nearest of them, a "Sus Seg" outside them as None.
#include <vector>

#include "modules/envelopes/envelope.h"

namespace kv {

class ug_8_stage : public ug_envelope {
 public:
  enum PlugIndex { kGate = 0, kOverallLevel = 17, kSignalOut = 18, kSusSeg = 19, kEndSeg = 20 };
  static constexpr int RatePlug(int seg) { return 2 * seg + 1; }
  static constexpr int LevelPlug(int seg) { return 2 * seg + 2; }
  static constexpr int16_t kNoSustain = 10;

  ug_base* CreateObject() override { return new ug_8_stage; }
  void ListInterface(std::vector<InterfaceObject>& list) override;

  float* gate_in = nullptr;
  float* rate_in[kMaxSegments] = {};
  float* level_in[kMaxSegments] = {};
  float* overall_level_in = nullptr;
  float* signal_out = nullptr;
  int16_t sus_seg = 2;
  int16_t end_seg = 4;

 protected:
  void BindPlugs() override;
  void RefreshLimits() override;
};

}  // namespace kv
