#include "engine/voice_monitor.h"

#include <algorithm>

#include "engine/audio_master.h"
#include "engine/ug_container.h"
#include "engine/voice.h"

namespace kv {

ug_voice_monitor::ug_voice_monitor() { SetProcessFunction(&ug_voice_monitor::sub_process_sleep); }

void ug_voice_monitor::Open() {
  auto* c = dynamic_cast<ug_container*>(container);
  voice_ = c && voice_tag >= 0 && voice_tag < static_cast<int>(c->voices.size())
               ? c->voices[voice_tag]
               : nullptr;
  posted_ = false;
  inactive_since_ = kNone;
  ug_base::Open();
  PostRunFunction(clock + 4, &ug_voice_monitor::OnOpenCheck);
}

void ug_voice_monitor::Resume() {
  ug_base::Resume();
  if (flags & UGF_SUSPENDED) return;
  posted_ = false;
}

void ug_voice_monitor::Rearm(sample_clock time) {
  PostRunFunction(time, &ug_voice_monitor::OnRearm);
}

void ug_voice_monitor::OnRearm() {
  posted_ = false;
  inactive_since_ = kNone;
  Reevaluate(clock);
}

void ug_voice_monitor::OnOpenCheck() { Reevaluate(clock); }

void ug_voice_monitor::OnPlugStateChange(sample_clock time, Connection* c, state_type state) {
  NoteSourceState(c, state);
  posted_ = false;
  inactive_since_ = kNone;  // any change re-arms the count
  Reevaluate(time);
}

void ug_voice_monitor::Reevaluate(sample_clock time) {
  bool active = false;
  for (const auto& s : inputs_.sources) active = active || s.state == ST_RUN;
  if (active) {
    inactive_since_ = kNone;
    SetProcessFunction(&ug_voice_monitor::sub_process_sleep);
    return;
  }
  if (inactive_since_ == kNone) inactive_since_ = time;
  if (!posted_) SetProcessFunction(&ug_voice_monitor::Watch);
}

void ug_voice_monitor::Watch(int offset, int count) {
  if (posted_ || !voice_ || inactive_since_ == kNone) {
    SetProcessFunction(&ug_voice_monitor::sub_process_sleep);
    return;
  }
  if (voice_->held || voice_->suspended) return;  // keep counting; released later
  const sample_clock due =
      std::max(inactive_since_ + master->block_size(), voice_->release_time + 31);
  const sample_clock end = clock + count;
  if (due > end) return;  // due at the end of this run: handled at the next run's start
  // To the note source that allocates voices (voice 0's), so that the suspension and the
  // note-ons are handled in time order by one receiver.
  auto* box = static_cast<ug_container*>(container);
  if (ug_base* ns = box->voices[0]->note_source)
    ns->AddEvent(std::max(due, clock), UET_SUSPEND, 0, 0, voice_);
  posted_ = true;
  SetProcessFunction(&ug_voice_monitor::sub_process_sleep);
}

}  // namespace kv
