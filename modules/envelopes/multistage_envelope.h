#pragma once
// ug_envelope_ms ("Multistage Env"): an envelope drawn in its panel editor. The segments
// come from the module's segment store (envelope_segment_list.h): each record gives a
// target level and a slope in level units per second; the sustain point is the last
// record of kind 1 before the end marker (none: the end), the end segment is the first
// record of kind 2 (none: the end of the list).
//
// Differences from the voltage-controlled envelopes: a ramp moves at the record's slope to
// the record's level, also at the end segment, and the envelope then idles at that level;
// a quick release fades to 0 in about 15 samples whatever the level; every plug change
// replans. Panel message 7 says the editor published a new list: the envelope takes it,
// and if it holds at a sustain point whose level changed it moves to the new level. The
// editor posts the message to every voice copy; a suspended voice takes the newest list
// when it is resumed.
#include <memory>
#include <vector>

#include "modules/envelopes/envelope_base.h"
#include "engine/envelope_segment_list.h"

namespace kv {

class ug_envelope_ms : public ug_envelope_base, public EnvSegmentPlayer {
 public:
  enum PlugIndex { kGate, kOverallLevel, kSignalOut, kIgnoreProgramChange };

  ~ug_envelope_ms() override;
  ug_base* CreateObject() override { return new ug_envelope_ms; }
  ug_base* Clone() override;
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void OnUiMessage(int32_t kind, int32_t argument) override;
  void StartSegment() override;
  void Resume() override;

  // The document module's store; set before the engine opens. Without one the module plays
  // the editor's default envelope from a store of its own.
  EnvSegmentStore* segment_store = nullptr;
  void SetSegmentStore(std::shared_ptr<EnvSegmentStore> store) override {
    own_store_ = std::move(store);
    segment_store = own_store_.get();
  }

  float* gate_in = nullptr;
  float* overall_level_in = nullptr;
  float* signal_out = nullptr;
  uint8_t ignore_program_change = 0;

  const EnvSegmentList* segment_list() const { return list_; }
  int sustain_segment() const { return sustain_seg_; }
  int end_segment() const { return end_seg_; }

 protected:
  void BindPlugs() override;
  bool ReplansOn(int index) const override { return true; }

 private:
  void LoadList();
  EnvSegmentRecord Record(int seg) const;

  const EnvSegmentList* list_ = nullptr;
  // The store of a module without a document store, shared with its voice copies so that
  // it lives as long as any of them.
  std::shared_ptr<EnvSegmentStore> own_store_;
};

}  // namespace kv
