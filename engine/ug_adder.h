#pragma once
// Summing modules. The engine inserts them where several sources meet one input and where
// the outputs of a polyphonic container's voices leave the voice.
//
// ug_adder ("Float Adder"): output "Out" = the sum of every source connected to its
// collector input "In". Static sources are folded into one constant; streaming sources are
// added sample by sample. The order is observable (float addition): the streaming list is
// built walking the sources from last to first, and the output is the first streaming
// source (+ the constant when it is not 0), then each further streaming source added.
// With no streaming source the output is the constant, written for a full block, sent as a
// one-off, and the adder sleeps.
//
// ug_adder_midi ("MIDI Adder2"): merges the records of every source of its collector input
// into "Out" in time order; on equal times the later-connected source goes first.
#include <vector>

#include "engine/midi_transport.h"
#include "engine/ug_base.h"

namespace kv {

// The io variable of the adder's collector input: one record per source, in connection order.
class InputArrayFloat : public Collector {
 public:
  struct Source {
    UPlug* plug;
    float value;        // last static value
    state_type state;   // last state received
  };
  void AddSource(UPlug* source) override { sources.push_back({source, 0.0f, ST_STOP}); }
  void RemoveSource(UPlug* source) override;
  Source* Find(const UPlug* source);
  std::vector<Source> sources;
};

class ug_adder : public ug_base {
 public:
  enum { kOut, kIn };
  ug_adder();
  ug_base* CreateObject() override { return new ug_adder; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;

  const InputArrayFloat& inputs() const { return inputs_; }
  float constant() const { return constant_; }
  int streaming_count() const { return static_cast<int>(streaming_.size()); }

 protected:
  // Records the source's new state (and its value when static) without rebuilding.
  InputArrayFloat::Source* NoteSourceState(Connection* c, state_type state);
  InputArrayFloat inputs_;

 private:
  void Rebuild(sample_clock time);
  void WriteConstant(int offset, int count);
  void SumStreaming(int offset, int count);

  float* out_ = nullptr;
  float constant_ = 0.0f;
  std::vector<const float*> streaming_;  // capacity reserved at Open: no growth while running
};

class ug_adder_midi : public ug_base {
 public:
  enum { kOut, kIn };
  ug_adder_midi();
  ug_base* CreateObject() override { return new ug_adder_midi; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Process(int count) override;

  MidiOutput out;
  MidiInputArray in;
};

}  // namespace kv
