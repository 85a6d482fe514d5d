// What the plug-in object needs from the application that owns the patch and plays it, and
// what the application asks of the plug-in object in return.
//
// KvVst talks to its application only through KvVstApplication. CKorvaneAppVST implements it
// directly; tests implement it over a patch built in memory and a bare audio master, so the
// plug-in object's host protocol is tested without the module library.
//
// Threads. Calls marked "audio thread" come from inside a host audio call; they never lock,
// allocate or wait. Every other call comes from a host call that holds the plug-in's
// engine-lifetime lock.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "engine/midi_transport.h"
#include "engine/time_info.h"

namespace kv {

class CContainer;
class generic_parameter;

// The header settings of the loaded patch that the host sees.
struct KvVstPatchSettings {
  int32_t program_count = 16;  // host programs (before the patch's own rule)
  int32_t plugin_flags = 0;    // bit 0 instrument, bit 1 stereo output pins
  bool mono_capable = true;
  int32_t unique_id = 0;
  std::string product_text;
  std::string vendor_text;
};

// The plug-in object as the engine reaches it: audio thread, inside an engine run.
class KvVstPlugin {
 public:
  virtual ~KvVstPlugin() = default;
  // Start of a run with host parameter values pending: hands each to its control's unit
  // generator.
  virtual void ApplyHostParameters() = 0;
  // The host's transport record (valid until the host's next call), or null.
  virtual const TimeInfo* HostTimeInfo(int32_t request_flags) = 0;
};

class KvVstApplication {
 public:
  virtual ~KvVstApplication() = default;

  // Start-up: registry, patch loading. False when the patch could not be loaded; the
  // application has then already reported why.
  virtual bool InitInstance() = 0;
  // The plug-in's patch container (the first container in the document's root), or null.
  virtual CContainer* GetPatchContainer() const = 0;
  virtual KvVstPatchSettings PatchSettings() const = 0;
  // The plug-in object the engine calls back (null: none).
  virtual void AttachPlugin(KvVstPlugin* plugin) = 0;
  // Connects the patch container's outer plugs to the host input and output modules.
  virtual bool WireHostIo() = 0;

  // The host's resume: builds and starts an engine for the rate and host block size (a
  // running one is replaced). False when the build failed (the application has reported
  // why); no engine exists then.
  virtual bool StartEngineVst(float sample_rate, int32_t host_block_size) = 0;
  // The host's suspend: the engine is stopped and deleted once no audio call uses it.
  virtual void StopEngineVst() = 0;
  // Any thread: audio calls reach a running engine.
  virtual bool EngineGateOpen() const = 0;
  // User-interface thread: refreshes queued by the engine, and queued texts.
  virtual void ServiceRefreshQueue() = 0;

  // Any thread: host parameter values are waiting. The engine applies them (through the
  // attached plug-in) at the start of the next host call that runs an engine; the request
  // waits while none runs, so no value is left behind by an engine being replaced.
  virtual void RequestHostParameters() = 0;
  // Audio thread: one host audio call. The host's buffers go to the host input and output
  // modules (`replacing` false: the patch adds to the outputs), `midi_in` enters the patch
  // at the engine clock of the call's start plus each event's time (an offset in the call),
  // and the engine runs `frames` samples. In replacing mode every output the patch does not
  // drive, and every output while no engine runs, is written with zeros. MIDI the patch sends
  // to the host during the call goes to `midi_out` (times are offsets in the call; what does
  // not fit waits for the next call); answers how many were written.
  virtual int ProcessHostCall(const float* const* inputs, int input_count, float* const* outputs,
                              int output_count, int frames, bool replacing,
                              std::span<const MidiEvent> midi_in = {}, std::span<MidiEvent> midi_out = {}) = 0;
  // Audio thread: hands a host parameter value (0..1) to the unit generator of the control
  // behind it.
  virtual void SendHostValueToEngine(generic_parameter* control, float value) = 0;
};

}  // namespace kv
