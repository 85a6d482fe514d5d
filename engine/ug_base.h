#pragma once
// ug_base: a unit generator, the running form of one module.
//
// Sample-accurate events. The master calls Process(count) once per run (a run never
// crosses an engine block boundary). Process splits the run at the time stamps of pending
// events: it runs the current process function up to the first event's time, handles the
// event, and continues, so each event takes effect at exactly the sample it names:
//   - equal times are handled in the order they were posted;
//   - an event at the run's last sample splits the run (k, 1);
//   - an event stamped at the run's end stays queued for the next run;
//   - an event stamped at or before `clock` (older than the receiver, which happens when
//     an event travels upstream or a voice resumes) is handled at once, before the next
//     sample: time arithmetic is signed 64-bit, so a stale event never becomes a huge count.
// The process function is a member-function pointer that modules switch when their input
// states change (SetProcessFunction), so loops are specialised per state combination.
//
// Streams and sleep. Each plug carries a state (ST_STOP, ST_ONE_OFF, ST_RUN) that travels
// with value changes (TransmitState -> PostStatChange -> a UET_STAT_CHANGE event at the
// destination). A module whose outputs become constant writes the constant for at least a
// full block (static_countdown = block size; ResetStaticOutput or RunOneThenStatic), so
// that its output blocks read correctly at every offset, then installs the sleep function,
// which leaves the run list when nothing is pending. The next event for it wakes it.
//
// Suspend/Resume (voices) take a unit generator out of the run list independently of
// sleep. While suspended, events are kept but pruned to one stale state change per
// connection; Resume moves events that became due to the master clock and restarts a
// running static countdown at a full block.
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/declaration_builder.h"
#include "engine/event_processor.h"
#include "engine/plug.h"

namespace kv {

class DocumentModule;
class ug_base;

using ProcessFn = void (ug_base::*)(int offset, int count);
using CloneMap = std::unordered_map<const ug_base*, ug_base*>;

// Panel-message kinds the base class understands.
enum UiMessageKind : int32_t {
  UIM_DEBUG = 0,
  UIM_SEND_CHANGED_OUTPUTS = 1,  // one-off on every output flagged UPLUG_PANEL_CHANGED
  UIM_NOTIFY_MASTER = 6,
  UIM_SET_PLUG_VALUE = -1000,  // argument = value bits, plug index in the event's arg3
};

class ug_base : public EventProcessor {
 public:
  ug_base();
  // Deletes the plugs last to first (each first deletes its connections) and gives
  // pending events back to the master's pool: the master must outlive its unit generators.
  ~ug_base() override;

  void Process(int count) override;
  void OnUiMessage(int32_t kind, int32_t argument) override;
  void HandleEvent(ug_event* e) override;

  // A new, unconnected object of the same class (factories and voice cloning).
  virtual ug_base* CreateObject() = 0;
  // A voice copy: plugs from the declarations and copies of further plugs, same document
  // module, order, container, patch context and master; flags without suspended/open,
  // with UGF_CLONE. Linked at the head of this unit generator's clone chain.
  virtual ug_base* Clone();
  virtual void Suspend();
  virtual void Resume();
  // Called on a destination's owner when a source transmits.
  virtual void PostStatChange(sample_clock time, Connection* c, state_type state);
  // Modules inspect their input states here, choose a process function and transmit.
  virtual void OnPlugStateChange(sample_clock time, Connection* c, state_type state) {}
  // Appends the module's plug declarations, in plug order.
  virtual void ListInterface(std::vector<InterfaceObject>& list) {}
  virtual void Open();
  virtual void Close();
  virtual bool IsVoiceInputActive();
  virtual void MarkVoiceDownstream();
  virtual void MarkVoiceUpstream();
  virtual void TagVoiceSourceDownstream(int id);
  virtual void TagVoiceSourceUpstream(int id);
  // Creates the storage of dt_volts plugs and recounts audio inputs and outputs.
  virtual void SetupPlugs();
  // Connects this voice copy the way `prototype` is connected.
  virtual void WireClone(ug_base* prototype, const CloneMap& copies);
  virtual void OnProgramChange(int32_t ignored, int32_t program) {}
  virtual bool CanSleep();
  // Events this unit generator needs in the engine's pool, reserved when it opens.
  // The default covers a few own events plus several changes per connected input; a
  // family that schedules more (note sources, sequencers) adds its share.
  virtual int EventReserve() const;
  // The container's IO module, where parameters of unconnected inputs live (containers).
  virtual ug_base* GetIoModule() { return nullptr; }

  // --- used by modules -----------------------------------------------------------------
  // Posts an event; false when the pool refused it (counted there).
  bool AddEvent(sample_clock time, int32_t type, int32_t arg1 = 0, int32_t arg2 = 0,
                void* ptr = nullptr, int32_t arg3 = 0);
  bool AddEvent(sample_clock time, int32_t type, int32_t arg1, int32_t arg2, void* ptr,
                int32_t arg3, EventPriority priority);
  template <typename Derived>
  bool PostRunFunction(sample_clock time, void (Derived::*fn)()) {
    return AddRunFunction(time, static_cast<ug_func>(fn));
  }
  bool AddRunFunction(sample_clock time, ug_func fn);
  bool PostProgramChange(sample_clock time, int32_t program);

  template <typename Derived>
  void SetProcessFunction(void (Derived::*fn)(int, int)) {
    process_function = static_cast<ProcessFn>(fn);
  }
  void ResetStaticOutput();
  void RunOneThenStatic();

  UPlug* GetPlug(int index) const;  // std::out_of_range when outside the plug list
  UPlug* GetPlug(std::string_view declared_name);  // null when none; build time (allocates)
  int AddPlug(UPlug* plug);  // takes ownership; answers the index
  // One plug per own declaration (skipping document-only and document-made plugs), then
  // SetupPlugs. What the graph builder does when no document plugs are involved.
  void BuildPlugsFromDeclarations();

  // Value of an audio plug at this unit generator's position in the current block.
  float PlugValue(int index) const;
  int BlockSize() const;
  float SampleRate() const;

  // Audio-thread safe: queue "name : text" for a message box (the name is resolved on
  // the user-interface thread).
  void PostMessage(std::string_view text);
  void RequestDocumentRefresh();

  // --- process functions ---------------------------------------------------------------
  void sub_process_nothing(int offset, int count) {}
  // Leaves the run list when CanSleep and nothing is pending.
  void sub_process_sleep(int offset, int count);
  // Repeats, on every audio output, the sample before the run's position (the block's
  // last sample at position 0), counting down static_countdown, then sleeps.
  void sub_process_static(int offset, int count);
  // One sample of the saved function, then sub_process_static for the rest.
  void sub_process_look_ahead(int offset, int count);

  // --- fields --------------------------------------------------------------------------
  int32_t voice_tag = -1;
  std::vector<UPlug*> plugs;
  ug_base* container = nullptr;  // the ug_container (containers derive from ug_base)
  ug_base* patch_context = nullptr;
  ProcessFn process_function = &ug_base::sub_process_nothing;
  ug_base* clone_link = nullptr;
  ProcessFn saved_process_function = nullptr;
  int32_t static_countdown = 0;
  int32_t audio_in_count = 0;
  int32_t audio_out_count = 0;
  DocumentModule* document_module = nullptr;

 private:
  void Sleep();
  void PruneStaleChanges(Connection* c, sample_clock new_time);
  void ApplyPanelValue(int plug_index, int32_t bits);
};

}  // namespace kv
