#pragma once
// MIDI between unit generators.
//
// Every dt_midi output owns a MidiOutput: a ring of 400 time-stamped short messages.
// Every dt_midi input holds a MidiInput: a pointer to the ring of the output it is
// connected to and a cursor of its own, so several readers consume one output
// independently. A collector input (MidiInputArray, the MIDI adder's) keeps one MidiInput
// per source.
//
// Cursors are 64-bit counts of records written and read (slot = count mod capacity), so a
// full ring (400 unread) is told apart from an empty one. The output knows its readers and
// refuses a write that would overwrite a record its slowest reader has not read yet: the
// newest record is dropped and counted, never an unread older one (a lost note-off would
// leave a note hanging). A reader that never reads therefore blocks its output; the
// engine only connects readers that drain their input every run they are awake.
//
// Sending: Push the records, then WakeDestinations so that sleeping readers run. Times are
// the engine's 64-bit sample clock; 32-bit times exist only in external records.
//
// Build time (Attach, Detach, AddReader) may allocate; Push, Pop and Peek never do.
#include <cstdint>
#include <vector>

#include "engine/plug.h"
#include "engine/types.h"

namespace kv {

struct MidiEvent {
  sample_clock time = 0;
  int32_t reserved = 0;  // always 0 between modules
  // Status in bits 0-7, first data byte in bits 8-15, second in bits 16-23.
  int32_t message = 0;

  int status() const { return message & 0xFF; }
  int data1() const { return (message >> 8) & 0xFF; }
  int data2() const { return (message >> 16) & 0xFF; }
  static int32_t Pack(int status, int data1, int data2) {
    return (status & 0xFF) | ((data1 & 0xFF) << 8) | ((data2 & 0xFF) << 16);
  }
  bool operator==(const MidiEvent&) const = default;
};

class MidiInput;

class MidiOutput {
 public:
  static constexpr int kCapacity = 400;
  MidiOutput() = default;
  MidiOutput(const MidiOutput&) = delete;
  MidiOutput& operator=(const MidiOutput&) = delete;
  ~MidiOutput();  // detaches its readers

  // Audio thread. False (and counted) when the slowest reader still has kCapacity records
  // unread.
  bool Push(const MidiEvent& e);
  bool Push(sample_clock time, int32_t message) { return Push(MidiEvent{time, 0, message}); }

  uint64_t written() const { return written_; }
  // Records of the slowest reader not read yet (0 without readers).
  int Unread() const;
  int64_t dropped() const { return dropped_; }
  const MidiEvent& At(uint64_t count) const { return slots_[count % kCapacity]; }
  int reader_count() const { return static_cast<int>(readers_.size()); }

 private:
  friend class MidiInput;
  MidiEvent slots_[kCapacity]{};
  uint64_t written_ = 0;
  int64_t dropped_ = 0;
  std::vector<MidiInput*> readers_;
};

class MidiInput {
 public:
  MidiInput() = default;
  MidiInput(const MidiInput&) = delete;
  MidiInput& operator=(const MidiInput&) = delete;
  ~MidiInput() { Detach(); }

  // Build time: read `source` from its current write position on.
  void Attach(MidiOutput* source);
  void Detach();
  MidiOutput* source() const { return source_; }

  bool empty() const { return !source_ || cursor_ == source_->written_; }
  // The next record, or a zero record when empty.
  MidiEvent Peek() const { return empty() ? MidiEvent{} : source_->At(cursor_); }
  MidiEvent Pop() {
    const MidiEvent e = Peek();
    if (!empty()) ++cursor_;
    return e;
  }
  uint64_t cursor() const { return cursor_; }

 private:
  friend class MidiOutput;
  MidiOutput* source_ = nullptr;
  uint64_t cursor_ = 0;
};

// The io variable of a MIDI collector input: one reader per connected source, in the order
// they were connected. A removed source is found by its buffer from the end and erased;
// the other readers keep their cursors.
class MidiInputArray : public Collector {
 public:
  ~MidiInputArray() override;
  void AddSource(UPlug* source) override;
  void RemoveSource(UPlug* source) override;
  int size() const { return static_cast<int>(inputs_.size()); }
  MidiInput& operator[](int i) { return *inputs_[i].input; }
  const UPlug* source(int i) const { return inputs_[i].source; }

 private:
  struct Entry {
    const UPlug* source;  // matched by plug: a dying source's buffer may already be gone
    MidiInput* input;
  };
  std::vector<Entry> inputs_;
};

// The MIDI output of a dt_midi output plug (null when the plug has none).
MidiOutput* MidiOutputOf(const UPlug* plug);
// Wakes the owner of every destination of `plug` (after pushing records).
void WakeDestinations(UPlug* plug);
// Pushes one record into `plug`'s output and wakes its destinations; false when refused.
bool SendMidi(UPlug* plug, sample_clock time, int32_t message);

}  // namespace kv
