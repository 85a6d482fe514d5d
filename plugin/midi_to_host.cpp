#include "plugin/midi_to_host.h"

#include <cstring>

namespace kv {

void packMidiToHost(vst::VstMidiEvent& event, int32_t deltaFrames, uint32_t message) {
  std::memset(&event, 0, sizeof event);
  event.type = vst::kVstMidiType;
  event.byteSize = 24;
  event.deltaFrames = deltaFrames < 0 ? 0 : deltaFrames;
  const uint32_t status = message & 0xFF;
  event.midiData[0] = static_cast<char>(status);
  event.midiData[1] = static_cast<char>((message >> 8) & 0xFF);
  const uint32_t kind = status & 0xF0;
  event.midiData[2] =
      static_cast<char>(kind == 0xC0 || kind == 0xD0 ? 0xFF : (message >> 16) & 0xFF);
}

void MidiToHost::allocate() {
  if (header_) return;
  // Two header words, then the pointer array (VstEvents::events sits at the third word).
  header_ = std::make_unique<intptr_t[]>(2 + kCapacity);
  records_ = std::make_unique<vst::VstMidiEvent[]>(kCapacity);
  std::memset(records_.get(), 0, sizeof(vst::VstMidiEvent) * kCapacity);
  for (int32_t i = 0; i < kCapacity; ++i)
    header_[2 + i] = reinterpret_cast<intptr_t>(&records_[i]);
  clear();
}

void MidiToHost::clear() {
  if (!header_) return;
  events()->numEvents = 0;
  events()->reserved = 0;
}

bool MidiToHost::add(int32_t deltaFrames, uint32_t message) {
  if (!header_) return false;
  vst::VstEvents* block = events();
  if (block->numEvents >= kCapacity) return false;
  packMidiToHost(records_[block->numEvents], deltaFrames, message);
  ++block->numEvents;
  return true;
}

}  // namespace kv
