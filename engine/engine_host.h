#pragma once
// EngineHost: everything the audio master needs from its owner (the application object).
// The engine knows its owner only through this interface, so it depends on nothing of the
// plug-in boundary or the document.
//
// Calls marked "audio thread" must not block, lock or allocate. The helpers below
// (ModuleMessageQueue, RefreshQueue) give an owner bounded lock-free queues for them; the
// user-interface thread drains those queues.
#include <cstdint>
#include <string>
#include <string_view>
#include <typeinfo>

#include "engine/spsc_queue.h"
#include "engine/time_info.h"

namespace kv {

// The document module a unit generator was built from. Opaque to the engine.
class DocumentModule;
class LookupTableRegistry;
class MidiInQueue;

// A text from a unit generator for the user, as queued from the audio thread. The name
// shown in front of the text is resolved later on the user-interface thread.
struct ModuleMessage {
  static constexpr std::size_t kTextCapacity = 240;
  DocumentModule* module = nullptr;          // the sender's document module, or null
  const std::type_info* sender_type = nullptr;  // the sender's class
  char text[kTextCapacity] = {};             // zero-terminated, truncated when longer

  void SetText(std::string_view t);
  // "<name> : <text>", with `module_title` as the name, or the sender's class name when
  // the title is empty. User-interface thread (allocates).
  std::string Compose(std::string_view module_title) const;
};

// The class name of a unit generator for messages ("ug_probe", without namespaces).
std::string ClassNameForMessages(const std::type_info& type);

class EngineHost {
 public:
  virtual ~EngineHost() = default;
  // Audio thread, at the start of a host call when host parameter changes are pending:
  // hand the pending values to the panel-control unit generators.
  virtual void ApplyPendingHostParameters() = 0;
  // Audio thread: the host's transport record for `request_flags`, or null when the host
  // gives none. The record must stay valid until the next call.
  virtual const TimeInfo* FetchHostTimeInfo(int32_t request_flags) = 0;
  // Audio thread: queue a text for a message box.
  virtual void QueueModuleMessage(const ModuleMessage& message) = 0;
  // Audio thread: ask for the document module to be refreshed on the user-interface
  // thread. The owner keeps the per-module "queued" flag, so a module is queued once.
  virtual void QueueDocumentRefresh(DocumentModule* module) = 0;
  // Build time: the owner's shared lookup tables, which outlive its engines. Null when
  // the owner keeps none; the master then keeps tables of its own.
  virtual LookupTableRegistry* SharedLookupTables() { return nullptr; }
  // Build time: the owner's MIDI input queue read by "MIDI In" modules, or null when the
  // owner has none (the plug-in takes host MIDI through its VST input module instead).
  virtual MidiInQueue* MidiInputQueue() { return nullptr; }
};

// Bounded queues an owner can use for the two audio-thread requests above.
using ModuleMessageQueue = SpscQueue<ModuleMessage, 64>;
using RefreshQueue = SpscQueue<DocumentModule*, 1024>;

}  // namespace kv
