#pragma once
// ug_adder ("Float Adder", also inserted by the graph builder where several outputs feed
// one input) and ug_voice_combiner ("Voice Combiner"): the sum of every source connected
// to the collector input "In".
//
// The collector (InputArray_Float) keeps one record per connected source: the source
// plug, whether it streams, and its last static value. On every change of a source the
// sum is rebuilt, walking the sources from last to first: streaming sources join the list
// of streams, static ones add their value into one constant. With no stream the output
// is the constant (one block, then sleep); otherwise
//   out = first stream (+ constant when it is not 0), then each further stream added,
// in that order, which fixes the float rounding of the sum.
//
// The voice combiner is an adder that is never voice-dependent: it stays single while
// its sources are cloned per voice, so every voice copy feeds its one collector.
#include <vector>

#include "engine/plug.h"
#include "engine/ug_base.h"
#include "modules/oscillators/module_descriptor.h"

namespace kv {

struct adder_input_info {
  UPlug* source;
  bool streaming;
  float value;  // while static
};

class InputArray_Float : public Collector {
 public:
  // A new source joins with value 0; a removed one is found by searching from the end.
  void AddSource(UPlug* source) override;
  void RemoveSource(UPlug* source) override;
  std::vector<adder_input_info>& inputs() { return inputs_; }
  const std::vector<adder_input_info>& inputs() const { return inputs_; }
  adder_input_info* Find(const UPlug* source);

 private:
  std::vector<adder_input_info> inputs_;
};

class ug_adder : public ug_base {
 public:
  enum PlugIndex { kOut, kIn };
  static constexpr ModuleDescriptor Descriptor() { return {"Float Adder", 71, 0x008}; }

  ug_base* CreateObject() override { return new ug_adder; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;

  const InputArray_Float& sources() const { return sources_; }
  float constant() const { return constant_; }
  int stream_count() const { return static_cast<int>(streams_.size()); }

  float* out = nullptr;

 private:
  void sub_process_constant(int offset, int count);
  void sub_process_one(int offset, int count);
  void sub_process_one_plus_constant(int offset, int count);
  void sub_process_many(int offset, int count);
  void Rebuild(sample_clock time);

  InputArray_Float sources_;
  float constant_ = 0.0f;
  std::vector<const float*> streams_;  // sized at open to the number of sources
};

class ug_voice_combiner : public ug_adder {
 public:
  static constexpr ModuleDescriptor Descriptor() { return {"Voice Combiner", 118, 0x100}; }
  ug_voice_combiner() { flags |= UGF_NEVER_VOICE; }
  ug_base* CreateObject() override { return new ug_voice_combiner; }
};

}  // namespace kv
