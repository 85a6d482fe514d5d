#pragma once
// Time-stamped events and the per-engine pool they come from.
//
// Events are records of fixed size taken from the engine's EventPool (never from the heap
// on the audio thread) and linked intrusively into their receiver's EventList. Whoever
// handles an event gives it back to the pool.
//
// The pool is sized while the engine is built: the master reserves its own share (the panel
// ring and a general margin) and every unit generator adds its share when it opens
// (ug_base::EventReserve, which a module family overrides when it needs more, e.g. a note
// source that schedules several events per note). On exhaustion the pool keeps a last part
// for essential events (state changes, note events, function calls): non-essential ones
// (panel notifications, bend, pressure, controller values) are refused first. Every
// refusal is counted.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/types.h"

namespace kv {

class ug_base;
class Connection;

// Event types. Values above 6 are private to module families.
enum EventType : int32_t {
  UET_STAT_CHANGE = 0,
  UET_SUSPEND = 1,
  UET_MIDI = 2,
  UET_RUN_FUNCTION = 3,
  UET_IO_FUNC = 4,
  UET_UI_NOTIFY = 5,
  UET_PROG_CHANGE = 6,
  // Private types with a meaning shared across families (voices and panel controls).
  UET_NOTE_ON = 7,
  UET_NOTE_OFF = 8,
  UET_QUICK_RELEASE = 9,
  UET_PITCH_BEND = 10,
  UET_AFTERTOUCH = 11,
  UET_GLIDE = 12,
  UET_CONTROLLER = 15,
};

// "UnKnowen" for any other number (the system's own spelling).
const char* EventTypeName(int32_t type);

// A function run by an event: a member function of the unit generator it names.
using ug_func = void (ug_base::*)();

enum class EventPriority : uint8_t { kEssential, kNonEssential };

// Non-essential events are dropped first when the pool runs low.
EventPriority DefaultPriority(int32_t type);

struct ug_event {
  sample_clock time = 0;
  int32_t type = 0;
  int32_t arg1 = 0;  // new state, program, message kind, MIDI payload, channel...
  int32_t arg2 = 0;  // value snapshot, message argument, note...
  int32_t arg3 = 0;  // a third integer of private types (e.g. velocity), plug of a panel message
  void* ptr = nullptr;  // connection (STAT_CHANGE), voice (SUSPEND), target (RUN_FUNCTION, IO_FUNC)
  ug_func func = nullptr;  // RUN_FUNCTION and IO_FUNC

  Connection* connection() const { return static_cast<Connection*>(ptr); }

  // Intrusive links: the pool's free list, then the receiver's list.
  ug_event* next = nullptr;
  ug_event* prev = nullptr;
};

class EventPool {
 public:
  EventPool() = default;
  EventPool(const EventPool&) = delete;
  EventPool& operator=(const EventPool&) = delete;

  // Adds room for `count` more events. Allocates: call only while the engine is built or
  // stopped, never from the audio thread.
  void Reserve(int count);

  // Audio thread. Null (and counted) when no event may be given out.
  ug_event* Acquire(EventPriority priority);
  void Release(ug_event* e);

  int capacity() const { return capacity_; }
  int free_count() const { return free_count_; }
  // Events at or below this many free ones go only to essential requests.
  int essential_reserve() const { return essential_reserve_; }
  int64_t dropped_non_essential() const { return dropped_non_essential_; }
  int64_t dropped_essential() const { return dropped_essential_; }

 private:
  std::vector<std::unique_ptr<ug_event[]>> chunks_;
  ug_event* free_ = nullptr;
  int capacity_ = 0;
  int free_count_ = 0;
  int essential_reserve_ = 0;
  int64_t dropped_non_essential_ = 0;
  int64_t dropped_essential_ = 0;
};

// Events of one receiver in time order; equal times keep their order of arrival.
class EventList {
 public:
  bool empty() const { return head_ == nullptr; }
  ug_event* front() const { return head_; }
  ug_event* back() const { return tail_; }

  // Places `e` after the last event whose time is not greater (FIFO on ties). Walks from
  // the tail: new events are usually the latest.
  void Insert(ug_event* e);
  void Unlink(ug_event* e);
  ug_event* PopFront();

 private:
  ug_event* head_ = nullptr;
  ug_event* tail_ = nullptr;
};

}  // namespace kv
