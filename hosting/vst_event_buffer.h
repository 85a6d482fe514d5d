// A block of VST MIDI events laid out the way plug-ins read it: a `VstEvents` header
// (count at 0, reserved word at 8, the event pointer array at 16) followed by its
// pointers, each pointing at one of a fixed set of preallocated 32-byte MIDI records.
//
// Everything is allocated once, at construction; adding an event never allocates, so
// the buffer can be filled on the audio thread. When it is full, further events are
// dropped and counted rather than growing the block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/vst/aeffect.h"

namespace kv {

class VstEventBuffer {
 public:
  explicit VstEventBuffer(std::size_t capacity);

  // Appends a short MIDI message at `deltaFrames` within the coming process call.
  // Answers false (and counts the drop) when the buffer is full.
  bool addMidi(int32_t deltaFrames, uint8_t status, uint8_t data1, uint8_t data2);
  bool add(const vst::VstMidiEvent& event);

  void clear();

  std::size_t size() const { return count_; }
  std::size_t capacity() const { return capacity_; }
  std::size_t dropped() const { return dropped_; }
  const vst::VstMidiEvent& at(std::size_t i) const { return records_[i]; }

  // The header to pass to effProcessEvents; valid until the next add or clear.
  vst::VstEvents* events();

 private:
  std::size_t capacity_;
  std::size_t count_ = 0;
  std::size_t dropped_ = 0;
  // Header words (count, reserved) followed by the pointer array.
  std::unique_ptr<intptr_t[]> header_;
  std::unique_ptr<vst::VstMidiEvent[]> records_;
};

}  // namespace kv
