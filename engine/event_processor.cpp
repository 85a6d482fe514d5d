#include "engine/event_processor.h"

#include "engine/audio_master.h"

namespace kv {

void EventProcessor::Wake() {
  if (!sleeping || (flags & UGF_SUSPENDED) || master == nullptr) return;
  master->Insert(this);
  sleeping = false;
}

void EventProcessor::InsertEvent(ug_event* e, bool wake) {
  if (!e) return;
  if (wake && sleeping && !(flags & UGF_SUSPENDED)) Wake();
  events.Insert(e);
}

}  // namespace kv
