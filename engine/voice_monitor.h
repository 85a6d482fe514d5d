#pragma once
// ug_voice_monitor ("VoiceMonitor"): watches the signals that leave one voice and suspends
// the voice once it has fallen silent after its note ended.
//
// The voice is active while any watched output streams (ST_RUN). The monitor counts
// inactive samples across runs from the moment the voice became inactive (or from the
// last state change or note start, which re-arm it). Once a full block has passed inactive
// and the voice's note was released more than 30 samples ago (an idle voice counts as
// released at 0), it posts UET_SUSPEND once, stamped with the exact sample at which both
// conditions hold, to the note source that allocates the container's voices (voice 0's):
// that one receiver handles suspensions and note-ons in time order, whatever the order in
// which the voices run. So an idle voice is suspended in the first block or two, and a
// released one a block after its outputs went static.
//
// The note source has already run when the monitor decides, so it handles the event at the
// start of its next run: a note-on in the rest of the run in which the condition became
// true still sees the voice releasing (the one place where host call sizes show).
#include "engine/ug_adder.h"

namespace kv {

class Voice;

class ug_voice_monitor : public ug_adder {
 public:
  ug_voice_monitor();
  ug_base* CreateObject() override { return new ug_voice_monitor; }
  void Open() override;
  void Resume() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;
  // A note started in the voice at `time`: count inactivity afresh from then.
  void Rearm(sample_clock time);

  bool posted() const { return posted_; }

 private:
  void Reevaluate(sample_clock time);
  void OnRearm();
  void OnOpenCheck();
  void Watch(int offset, int count);

  Voice* voice_ = nullptr;
  static constexpr sample_clock kNone = INT64_MIN;
  sample_clock inactive_since_ = kNone;
  bool posted_ = false;
};

}  // namespace kv
