#include "engine/voice.h"

#include <limits>

#include "engine/event.h"
#include "engine/ug_base.h"
#include "engine/voice_monitor.h"

namespace kv {

void Voice::StartNote(sample_clock time, int channel_, int note_, int velocity) {
  note = static_cast<int16_t>(note_);
  channel = static_cast<int16_t>(channel_);
  start_time = 0;
  held = true;
  release_time = std::numeric_limits<sample_clock>::max();
  retriggered = false;
  pedal_pending = false;
  used = true;
  if (suspended) Resume();
  if (monitor) monitor->Rearm(time);
  if (note_source) {
    start_time = time;
    note_source->AddEvent(time, UET_NOTE_ON, channel, note, nullptr, velocity);
  }
}

void Voice::NoteOff(sample_clock time) {
  pedal_pending = false;
  held = false;
  release_time = time;
  if (note_source) note_source->AddEvent(time, UET_NOTE_OFF, channel, note);
}

void Voice::QuickRelease(sample_clock time) {
  pedal_pending = false;
  retriggered = true;
  held = false;
  release_time = time;
  if (note_source) note_source->AddEvent(time, UET_QUICK_RELEASE, channel, note, nullptr, 64);
}

void Voice::Suspend() {
  if (held || suspended) return;
  for (ug_base* u : ugs)
    if ((u->flags & UGF_VOICE_DEPENDENT) && !(u->flags & UGF_NOTE_SOURCE)) u->Suspend();
  suspended = true;
  release_time = 0;
}

void Voice::Resume() {
  for (ug_base* u : ugs)
    if ((u->flags & UGF_VOICE_DEPENDENT) && !(u->flags & UGF_NOTE_SOURCE)) u->Resume();
  suspended = false;
}

}  // namespace kv
