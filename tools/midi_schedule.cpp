#include "tools/midi_schedule.h"

#include <algorithm>
#include <cmath>

namespace kv {

int64_t frameAt(double seconds, double rate) {
  const double f = std::floor(seconds * rate + 0.5);
  if (!(f >= 0)) return 0;
  if (f > 9.0e15) return static_cast<int64_t>(9.0e15);
  return static_cast<int64_t>(f);
}

MidiSchedule scheduleNotes(const std::vector<PlayedNote>& notes, double rate) {
  struct Keyed {
    ScheduledMidi message;
    int order;  // 0 note-off, 1 note-on at the same frame
  };
  std::vector<Keyed> keyed;
  MidiSchedule schedule;
  for (const PlayedNote& n : notes) {
    const int64_t on = frameAt(n.start, rate);
    const int64_t off = std::max(on + 1, frameAt(n.start + n.length, rate));
    keyed.push_back({{on, {0x90, static_cast<uint8_t>(n.note), static_cast<uint8_t>(n.velocity)}}, 1});
    keyed.push_back({{off, {0x80, static_cast<uint8_t>(n.note), 0}}, 0});
    schedule.endFrame = std::max(schedule.endFrame, off);
  }
  std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    return a.message.frame != b.message.frame ? a.message.frame < b.message.frame : a.order < b.order;
  });
  for (const Keyed& k : keyed) schedule.messages.push_back(k.message);
  return schedule;
}

MidiSchedule scheduleMidiFile(const MidiFile& file, double rate) {
  MidiSchedule schedule;
  for (const MidiFileEvent& e : file.events) {
    ScheduledMidi m;
    m.frame = frameAt(e.seconds, rate);
    m.bytes[0] = e.bytes[0];
    m.bytes[1] = e.bytes[1];
    m.bytes[2] = e.size == 3 ? e.bytes[2] : 0;
    schedule.messages.push_back(m);
  }
  if (file.ticksPerQuarter != 0) {
    for (const MidiTempoChange& t : file.tempoMap)
      schedule.tempos.push_back({frameAt(t.seconds, rate), 60e6 / t.microsecondsPerQuarter});
  }
  for (const MidiTimeSignature& s : file.timeSignatures)
    schedule.signatures.push_back({frameAt(file.secondsAt(s.tick), rate), s.numerator, s.denominator});
  schedule.endFrame = frameAt(file.lengthSeconds, rate);
  return schedule;
}

}  // namespace kv
