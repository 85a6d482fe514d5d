#include "engine/event.h"

#include <algorithm>

namespace kv {

const char* EventTypeName(int32_t type) {
  switch (type) {
    case UET_STAT_CHANGE: return "UET_STAT_CHANGE";
    case UET_SUSPEND: return "UET_SUSPEND";
    case UET_MIDI: return "UET_MIDI";
    case UET_RUN_FUNCTION: return "UET_RUN_FUNCTION";
    case UET_IO_FUNC: return "UET_IO_FUNC";
    case UET_UI_NOTIFY: return "UET_UI_NOTIFY";
    case UET_PROG_CHANGE: return "UET_PROG_CHANGE";
  }
  return "UnKnowen";
}

EventPriority DefaultPriority(int32_t type) {
  switch (type) {
    case UET_UI_NOTIFY:
    case UET_PITCH_BEND:
    case UET_AFTERTOUCH:
    case UET_CONTROLLER:
      return EventPriority::kNonEssential;
    default:
      return EventPriority::kEssential;
  }
}

void EventPool::Reserve(int count) {
  if (count <= 0) return;
  auto chunk = std::make_unique<ug_event[]>(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    chunk[i].next = free_;
    free_ = &chunk[i];
  }
  chunks_.push_back(std::move(chunk));
  capacity_ += count;
  free_count_ += count;
  essential_reserve_ = std::max(8, capacity_ / 8);
}

ug_event* EventPool::Acquire(EventPriority priority) {
  if (free_ == nullptr) {
    if (priority == EventPriority::kEssential)
      ++dropped_essential_;
    else
      ++dropped_non_essential_;
    return nullptr;
  }
  if (priority == EventPriority::kNonEssential && free_count_ <= essential_reserve_) {
    ++dropped_non_essential_;
    return nullptr;
  }
  ug_event* e = free_;
  free_ = e->next;
  --free_count_;
  *e = ug_event{};
  return e;
}

void EventPool::Release(ug_event* e) {
  if (!e) return;
  e->prev = nullptr;
  e->next = free_;
  free_ = e;
  ++free_count_;
}

void EventList::Insert(ug_event* e) {
  if (!e) return;
  ug_event* after = tail_;
  while (after && after->time > e->time) after = after->prev;
  e->prev = after;
  if (after) {
    e->next = after->next;
    after->next = e;
  } else {
    e->next = head_;
    head_ = e;
  }
  if (e->next)
    e->next->prev = e;
  else
    tail_ = e;
}

void EventList::Unlink(ug_event* e) {
  if (e->prev)
    e->prev->next = e->next;
  else
    head_ = e->next;
  if (e->next)
    e->next->prev = e->prev;
  else
    tail_ = e->prev;
  e->next = e->prev = nullptr;
}

ug_event* EventList::PopFront() {
  ug_event* e = head_;
  if (e) Unlink(e);
  return e;
}

}  // namespace kv
