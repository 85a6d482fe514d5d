// Fuzzes the standard MIDI file reader: any input is either refused with a message or
// read into events that keep the reader's promises.
#include <cstdint>
#include <span>
#include <string>

#include "tools/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kv::MidiFile file;
  std::string error;
  if (!kv::parseMidiFile(std::span<const uint8_t>(data, size), file, error)) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  uint64_t lastTick = 0;
  double lastSeconds = 0.0;
  for (const kv::MidiFileEvent& e : file.events) {
    if (e.tick < lastTick || e.seconds < lastSeconds) __builtin_trap();
    if (e.bytes[0] < 0x80 || e.bytes[0] > 0xEF || (e.size != 2 && e.size != 3)) __builtin_trap();
    for (int i = 1; i < e.size; ++i)
      if (e.bytes[i] & 0x80) __builtin_trap();
    if (e.track >= file.trackCount || e.tick > file.lengthTicks) __builtin_trap();
    lastTick = e.tick;
    lastSeconds = e.seconds;
  }
  if (file.tempoMap.empty() && file.ticksPerQuarter != 0) __builtin_trap();
  return 0;
}
