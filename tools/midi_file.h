// Standard MIDI files (formats 0 and 1): reading into a time-ordered list of channel
// messages with their times in ticks and in seconds.
//
// The reader is bounds-checked throughout: every length is checked against the bytes
// that remain, variable-length numbers are at most four bytes, and a file that ends
// early or breaks the format is refused with a message naming the track and byte
// offset. Unknown chunks are skipped. Within a track, running status is honoured;
// system-exclusive and meta events are skipped except for the tempo, time signature
// and end-of-track metas. The tempo map is collected from every track (format 1 keeps
// it in the first) and turns ticks into seconds, including tempo changes; files with
// SMPTE time division use their fixed frame rate instead.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kv {

struct MidiFileEvent {
  uint64_t tick = 0;     // absolute time in ticks
  double seconds = 0.0;  // absolute time through the tempo map
  uint16_t track = 0;
  uint8_t size = 0;      // 2 or 3 bytes
  uint8_t bytes[3] = {0, 0, 0};  // status (0x80..0xEF) and data bytes
};

struct MidiTempoChange {
  uint64_t tick = 0;
  double seconds = 0.0;
  uint32_t microsecondsPerQuarter = 500000;
};

struct MidiTimeSignature {
  uint64_t tick = 0;
  uint8_t numerator = 4;
  uint8_t denominator = 4;  // the note value (4 = quarter), not its power of two
};

struct MidiFile {
  uint16_t format = 0;
  uint16_t trackCount = 0;
  // Ticks per quarter note; 0 when the file uses SMPTE time.
  uint16_t ticksPerQuarter = 0;
  // SMPTE time: frames per second (24, 25, 29.97 or 30) and ticks per frame.
  double smpteFramesPerSecond = 0.0;
  uint16_t ticksPerFrame = 0;

  // Channel messages of all tracks, in time order (ties keep track order, then file order).
  std::vector<MidiFileEvent> events;
  // Tempo changes in time order, starting with the default 120 BPM at tick 0 unless
  // the file sets another tempo there.
  std::vector<MidiTempoChange> tempoMap;
  std::vector<MidiTimeSignature> timeSignatures;
  // Time of the last event of any kind, including end-of-track.
  uint64_t lengthTicks = 0;
  double lengthSeconds = 0.0;

  // Seconds at `tick` through the tempo map.
  double secondsAt(uint64_t tick) const;
};

// Parses `bytes`. On failure answers false with a one-line reason in `error`; `out`
// is then left unspecified.
bool parseMidiFile(std::span<const uint8_t> bytes, MidiFile& out, std::string& error);

// Reads and parses the file at `path` (files above 64 MiB are refused).
bool readMidiFile(const std::string& path, MidiFile& out, std::string& error);

}  // namespace kv
