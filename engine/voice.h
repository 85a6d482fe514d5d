#pragma once
// Voice: the unit generators of one voice of a container, and the note it plays.
//
// States: idle (never started, release_time 0), held, releasing (release_time = the
// note-off time), suspended (release_time 0, voice-dependent unit generators out of the
// run list). Held is an explicit flag: clocks are 64-bit and no time value doubles as
// "held". Note-on moves any state to held (resuming a suspended voice); note-off moves held
// to releasing; the voice monitor moves releasing (or idle) to suspended once the voice's
// outputs have stopped streaming.
//
// Everything here runs on the audio thread and never allocates: the events go to the
// voice's note source through the engine's event pool.
#include <cstdint>
#include <vector>

#include "engine/types.h"

namespace kv {

class ug_base;
class ug_voice_monitor;

class Voice {
 public:
  // Note on: takes the note, resumes a suspended voice and posts the note-on (UET_NOTE_ON:
  // channel, note, velocity in the third argument) to the note source at `time`.
  void StartNote(sample_clock time, int channel, int note, int velocity);
  // Note off (UET_NOTE_OFF: channel, note) at `time`.
  void NoteOff(sample_clock time);
  // The voice is cut for a new note of the same key (UET_QUICK_RELEASE: channel, note, 64).
  void QuickRelease(sample_clock time);
  // Suspends every voice-dependent unit generator except note sources; nothing while the
  // note is held or the voice is already suspended.
  void Suspend();
  void Resume();

  std::vector<ug_base*> ugs;  // ascending sort order after preparation; owned by the container
  ug_base* note_source = nullptr;
  ug_voice_monitor* monitor = nullptr;
  sample_clock release_time = 0;
  sample_clock start_time = 0;
  int16_t channel = 0;
  int16_t note = 0;
  int index = 0;
  bool held = false;
  bool retriggered = false;
  bool suspended = false;
  bool open = false;
  bool pedal_pending = false;
  bool used = false;  // has ever started a note
};

}  // namespace kv
