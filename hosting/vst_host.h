// The host side of one loaded VST 2 plug-in: what the plug-in's calls to its host
// callback are answered with.
//
// A plug-in calls its host for the host's version, vendor and capabilities, for the
// sample rate, block size and song position, to report automation and edits, to ask
// for idle time, and to send MIDI it produced. `VstHost` answers all of these with the
// behaviour a plain host needs and offers virtual hooks for owners that want more (the
// command-line host uses it as it is; a module that hosts a plug-in inside a patch
// overrides the hooks to reach its document and engine). Opcodes it does not know are
// answered with 0, and it never asks the plug-in for anything in return.
//
// Routing: `VstPlugin` (vst_plugin.h) passes every callback of its plug-in to the
// `VstHost` it was loaded with, together with itself, so one host object can serve
// one or several plug-ins.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "hosting/vst_event_buffer.h"
#include "hosting/vst_transport.h"
#include "platform/vst/aeffect.h"

namespace kv {

class VstPlugin;

// Who the host says it is.
struct VstHostIdentity {
  int32_t vstVersion = 2400;  // answer to audioMasterVersion (never 0: plug-ins refuse that)
  std::string vendor = "Ostrana";
  std::string product = "Korvane";
  int32_t vendorVersion = 1;
  // Words answered with 1 by audioMasterCanDo; every other word gets 0.
  std::vector<std::string> canDo = {"sendVstEvents",      "sendVstMidiEvent", "sendVstTimeInfo",
                                    "receiveVstEvents",   "receiveVstMidiEvent", "supplyIdle",
                                    "startStopProcess"};
};

// VST process levels reported through audioMasterGetCurrentProcessLevel.
enum class VstProcessLevel : int32_t { Unknown = 0, User = 1, Realtime = 2, Prefetch = 3, Offline = 4 };

class VstHost {
 public:
  explicit VstHost(VstHostIdentity identity = {}, std::size_t midiOutCapacity = 1024);
  virtual ~VstHost();

  const VstHostIdentity& identity() const { return identity_; }

  // Song position handed out by audioMasterGetTime.
  VstTransport& transport() { return transport_; }

  // The level answered while the plug-in asks; an offline renderer sets Offline around
  // its processing, a real-time host Realtime.
  void setProcessLevel(VstProcessLevel level) { processLevel_.store(level, std::memory_order_relaxed); }

  // MIDI the plug-in sent with audioMasterProcessEvents since the last clear. Plug-ins
  // send it from inside their process call: read and clear it on the thread that runs
  // the plug-in, after each process call.
  const VstEventBuffer& midiFromPlugin() const { return midiFromPlugin_; }
  void clearMidiFromPlugin() { midiFromPlugin_.clear(); }

  // What the plug-in asked for so far (it may ask from any thread).
  bool plugInWantsMidi() const { return wantsMidi_.load(std::memory_order_relaxed); }
  bool plugInNeedsIdle() const { return needsIdle_.load(std::memory_order_relaxed); }

  // Answers one host callback from `plugin`. `plugin` is the loaded plug-in or the one
  // whose entry point is running (its record may not be known yet).
  virtual intptr_t answer(VstPlugin& plugin, int32_t opcode, int32_t index, intptr_t value,
                          void* ptr, float opt);

  // Answers a callback that cannot be tied to a loaded plug-in (a null record outside
  // any load): only the questions whose answers do not depend on an instance.
  static intptr_t answerWithoutPlugin(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                      float opt);

 protected:
  // Hooks. The defaults record nothing beyond the flags above.
  virtual void automate(VstPlugin& plugin, int32_t index, float value) {}
  virtual void beginEdit(VstPlugin& plugin, int32_t index) {}
  virtual void endEdit(VstPlugin& plugin, int32_t index) {}
  virtual void idleRequested(VstPlugin& plugin) {}
  virtual void updateDisplay(VstPlugin& plugin) {}
  // MIDI from the plug-in; the default keeps MIDI events (type 1) in `midiFromPlugin`.
  // Answers whether the events were taken.
  virtual bool eventsFromPlugin(VstPlugin& plugin, const vst::VstEvents& events);
  // The song position; the default answers the transport's record.
  virtual const vst::VstTimeInfo* timeInfo(VstPlugin& plugin, int32_t requestFlags);

 private:
  VstHostIdentity identity_;
  VstTransport transport_;
  VstEventBuffer midiFromPlugin_;
  std::atomic<VstProcessLevel> processLevel_{VstProcessLevel::User};
  std::atomic<bool> wantsMidi_{false};
  std::atomic<bool> needsIdle_{false};
};

// Copies `text` into a plug-in's string buffer of `size` bytes, always terminated.
void copyHostString(void* destination, std::size_t size, const std::string& text);

}  // namespace kv
