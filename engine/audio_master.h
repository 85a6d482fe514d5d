#pragma once
// KvAudioMaster: the clock and scheduler of a running patch.
//
// Block loop. Run(count) processes one host call. It first services `attention` (panel
// messages become UET_UI_NOTIFY events stamped with the clock at the call's start; pending
// host parameters are applied), then cuts the call into runs that never cross an engine
// block boundary and, for each run, calls every unit generator of the run list in
// descending sort order (sources before their destinations).
//
// Run list. Insert places a unit generator after every node of greater or equal order.
// One inserted during a run ahead of the unit generator being processed (it was woken by
// a downstream module) has missed this run: its clock becomes the run's end and it joins
// in the next run. One inserted further down runs in this run from the current clock. The
// walk keeps a cursor on the next node, which Remove advances and Insert adjusts, so unit
// generators may sleep, suspend or wake others while being processed. Membership is an
// explicit flag: Insert and Remove are idempotent.
//
// Nothing in Run allocates: events come from the engine's pool (event.h), messages for the
// owner go through EngineHost's bounded queues.
#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/engine_host.h"
#include "engine/event_processor.h"
#include "engine/lookup_table_registry.h"
#include "engine/noise_generator.h"
#include "engine/panel_ring.h"
#include "engine/sample_block.h"
#include "engine/time_info.h"

namespace kv {

class ug_base;

class KvAudioMaster : public EventProcessor {
 public:
  // Events reserved by the master itself: the panel ring's worth plus a general margin.
  static constexpr int kMasterEventReserve = PanelRing::kEntries + 256;

  // `host` may be null (then host parameters, time info and messages go nowhere).
  KvAudioMaster(EngineHost* host, int host_block_size, float sample_rate);
  ~KvAudioMaster() override;

  // Engine block size for a host block size; <= 0 counts as 1024.
  static int EngineBlockSize(int host_block_size);
  // Before any unit generator exists.
  void SetBlockSize(int host_block_size);
  void SetSampleRate(float sample_rate) { sample_rate_ = sample_rate; }
  int block_size() const { return block_size_; }
  float sample_rate() const { return sample_rate_; }

  // Resets the clocks and flags, empties the run list and opens `top` (a container opens
  // everything in it). The caller then calls SetRunning(true). Engine-build time.
  void Start(ug_base* top);
  void SetRunning(bool running) { running_.store(running, std::memory_order_release); }
  bool running() const { return running_.load(std::memory_order_acquire); }

  // Audio thread: one host call of `count` samples.
  void Run(int count);

  // Panel side (under the application's engine lock). Before the first sample of a built
  // engine, the target's OnUiMessage is called directly; after a stop or RequestClose,
  // messages are dropped. Answers false when dropped.
  bool PostUiMessage(ug_base* target, int32_t kind, int32_t argument);
  // Carries a new plug value (float bits, or an integer) to the target on the audio thread.
  bool PostPlugValue(ug_base* target, int plug_index, int32_t bits);
  void RequestClose();
  bool closing() const { return closing_.load(std::memory_order_acquire); }
  // Panel or host-parameter thread: the audio thread asks the owner to apply pending
  // host parameters at the start of its next call.
  void SetHostParamsPending();
  void RequestStop() { stop_request_.store(true, std::memory_order_release); }
  bool stop_requested() const { return stop_request_.load(std::memory_order_acquire); }

  // Run list.
  void Insert(EventProcessor* u);
  void Remove(EventProcessor* u);
  EventProcessor* run_list_head() const { return run_head_; }
  EventProcessor* current() const { return current_; }

  sample_clock block_start() const { return block_start_; }
  sample_clock call_start() const { return call_start_; }
  sample_clock GetRunEnd() const { return run_end_; }

  // The host's transport corrected to the start of the current engine block; null when the
  // host gives none.
  const TimeInfo* GetTimeInfo(int32_t request_flags);

  // Runs (target->*fn)() at the start of the run that contains `time`, with the target's
  // clock set to the master clock (the master itself does not split runs).
  bool AddIoFunction(sample_clock time, ug_base* target, ug_func fn);
  void HandleEvent(ug_event* e) override;

  EventPool& event_pool() { return pool_; }
  // Read-only silence for unconnected audio inputs.
  USampBlock* zero_block() { return zero_block_.get(); }
  EngineHost* host() const { return host_; }
  // The named lookup tables modules share: the owner's (EngineHost::SharedLookupTables),
  // else the master's own. Build time (modules request tables while they open).
  LookupTableRegistry& lookup_tables();
  // The engine's noise source, shared by its noise-making unit generators. Audio thread.
  NoiseGenerator& noise() { return noise_; }
  uint64_t heartbeat() const { return heartbeat_.load(std::memory_order_relaxed); }
  int64_t dropped_panel_messages() const { return ring_.dropped(); }
  // Panel messages that found no event in the pool.
  int64_t undelivered_panel_messages() const { return undelivered_ui_; }
  void SetWaitClock(WaitClock* c) { wait_clock_ = c ? c : &SystemWaitClock(); }

 private:
  void ServiceAttention();
  void HandleOwnEvents();

  EngineHost* host_;
  int block_size_ = 128;
  float sample_rate_ = 44100.0f;

  PanelRing ring_;
  WaitClock* wait_clock_ = &SystemWaitClock();
  std::atomic<uint64_t> heartbeat_{0};
  std::atomic<bool> attention_{false};
  std::atomic<bool> closing_{false};
  std::atomic<bool> host_params_pending_{false};
  std::atomic<bool> stop_request_{false};
  std::atomic<bool> running_{false};
  int64_t undelivered_ui_ = 0;

  sample_clock block_start_ = 0;
  sample_clock run_end_ = 0;
  sample_clock call_start_ = 0;

  EventProcessor* run_head_ = nullptr;
  EventProcessor* current_ = nullptr;
  EventProcessor* walk_next_ = nullptr;

  TimeInfo time_info_{};
  EventPool pool_;
  std::unique_ptr<USampBlock> zero_block_;
  std::unique_ptr<LookupTableRegistry> own_tables_;
  NoiseGenerator noise_;
};

}  // namespace kv
