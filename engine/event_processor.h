#pragma once
// EventProcessor: the part shared by unit generators and the audio master: a time-ordered
// event list, the links of the master's run list and a sample clock.
#include <cstdint>

#include "engine/event.h"
#include "engine/types.h"

namespace kv {

class KvAudioMaster;

class EventProcessor {
 public:
  EventProcessor() = default;
  virtual ~EventProcessor() = default;
  EventProcessor(const EventProcessor&) = delete;
  EventProcessor& operator=(const EventProcessor&) = delete;

  // If sleeping, re-enter the master's run list. Does nothing while suspended: Resume
  // wakes a suspended unit generator that has events pending.
  virtual void Wake();
  virtual void Process(int count) {}
  virtual void OnUiMessage(int32_t kind, int32_t argument) {}
  virtual void HandleEvent(ug_event* e) {}

  // Places `e` in time order (FIFO on equal times). With `wake`, a sleeping receiver
  // wakes first (unless suspended). A null event (pool exhausted) is ignored.
  void InsertEvent(ug_event* e, bool wake);

  EventList events;
  uint32_t flags = 0;
  bool sleeping = false;
  bool in_run_list = false;  // explicit membership: Insert/Remove are idempotent
  EventProcessor* run_prev = nullptr;
  EventProcessor* run_next = nullptr;
  sample_clock clock = 0;  // processed up to here
  KvAudioMaster* master = nullptr;
  int32_t sort_order = -1;  // -1 until sorted, -2 while queued during sorting
};

}  // namespace kv
