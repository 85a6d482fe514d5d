// MIDI the patch sends to the host, in the form the host reads it: a `VstEvents` header
// (count at 0, reserved word at 8, pointers from 16) whose pointers lead to 32-byte
// `VstMidiEvent` records.
//
// Everything is allocated once, when the plug-in resumes: the header with room for
// kCapacity pointers and kCapacity records, each pointer fixed to its record. Filling the
// block on the audio thread therefore never allocates; when it is full, `add` refuses and the
// caller keeps the remaining messages for the next call.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/vst/aeffect.h"

namespace kv {

// Fills a host MIDI record from a packed short message (status in bits 0-7, data bytes in
// 8-15 and 16-23). Program change and channel pressure carry one data byte; their second
// byte is sent as 0xFF.
void packMidiToHost(vst::VstMidiEvent& event, int32_t deltaFrames, uint32_t message);

class MidiToHost {
 public:
  static constexpr int32_t kCapacity = 400;

  MidiToHost() = default;
  MidiToHost(const MidiToHost&) = delete;
  MidiToHost& operator=(const MidiToHost&) = delete;

  // Allocates the block (once; later calls keep it). User-interface thread.
  void allocate();
  bool allocated() const { return header_ != nullptr; }

  // Audio thread: empties the block.
  void clear();
  // Audio thread: appends one message; false when the block is full or not allocated.
  bool add(int32_t deltaFrames, uint32_t message);

  int32_t size() const { return header_ ? events()->numEvents : 0; }
  bool full() const { return size() >= kCapacity; }
  const vst::VstMidiEvent& at(int32_t i) const { return records_[i]; }
  // The block to pass to the host; null before allocate().
  vst::VstEvents* events() const { return reinterpret_cast<vst::VstEvents*>(header_.get()); }

 private:
  std::unique_ptr<intptr_t[]> header_;  // count, reserved, kCapacity pointers
  std::unique_ptr<vst::VstMidiEvent[]> records_;
};

}  // namespace kv
