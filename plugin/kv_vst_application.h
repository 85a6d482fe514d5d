// What the plug-in object needs from the application that owns the patch and plays it.
//
// KvVst talks to the application only through this interface: the application loads the
// patch at start-up, answers the document header's settings, builds, starts, stops and
// deletes the engine, and carries host audio and MIDI to and from the patch's host input and
// output modules. The library's own application (kv_vst_app.h) implements it over
// CKorvaneAppVST; tests implement it over a document built in memory.
//
// Threads. Calls marked "audio thread" come from inside KvVst::processReplacing, between
// the hold-off flags, so the engine they touch exists for the whole call; they must not
// lock, allocate or wait. Every other call comes from a host call that holds the plug-in's
// engine-lifetime lock.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/time_info.h"

namespace kv {

class CContainer;
class generic_parameter;

// One short MIDI message of a host call: its offset in the call and the message packed as
// status | data1 << 8 | data2 << 16.
struct HostMidi {
  int32_t delta_frames = 0;
  uint32_t message = 0;
};

// Audio thread, at the start of an engine run when host parameter values are pending:
// the plug-in hands them to the engine.
class HostParameterSource {
 public:
  virtual ~HostParameterSource() = default;
  virtual void ApplyHostParameters() = 0;
};

// The header settings of the loaded patch that the host sees.
struct KvVstPatchSettings {
  int32_t program_count = 16;  // host programs (before the patch's own rule)
  int32_t plugin_flags = 0;    // bit 0 instrument, bit 1 stereo output pins
  bool mono_capable = true;
  int32_t unique_id = 0;
  std::string product_text;
  std::string vendor_text;
};

class KvVstApplication {
 public:
  virtual ~KvVstApplication() = default;

  // Start-up: registry, patch loading. False when the patch could not be loaded; the
  // application has then already reported why.
  virtual bool InitInstance() = 0;
  // The plug-in's patch container (the first container in the document's root), or null.
  virtual CContainer* PatchContainer() = 0;
  virtual KvVstPatchSettings PatchSettings() = 0;
  // The plug-in whose pending host parameter values the engine applies (null: none).
  virtual void AttachHostParameters(HostParameterSource* source) = 0;
  // Where the engine reads the host's transport (audio thread; null: none).
  virtual void AttachTimeInfo(std::function<const TimeInfo*(int32_t request_flags)> source) = 0;
  // Connects the patch container's outer plugs to the host input and output modules.
  virtual void WireHostIo() = 0;

  // Engine life. StartEngine builds and starts an engine for the rate and host block size
  // (a running one is stopped first); it answers false when the build failed (the
  // application has reported why) and no engine exists then.
  virtual bool StartEngine(float sample_rate, int32_t host_block_size) = 0;
  virtual void StopEngine() = 0;
  virtual bool HasEngine() = 0;
  // User-interface thread: refreshes queued by the engine, and queued texts.
  virtual void ServiceRefreshQueue() = 0;

  // Audio thread: the engine applies pending host parameter values (through the attached
  // source) at the start of the next ProcessHostCall that runs an engine; the request waits
  // while none runs (an engine being replaced), so no value is left behind.
  virtual void RequestHostParameters() = 0;
  // Audio thread: one host call. The host's buffers go to the host input and output modules
  // (`replacing` false: the patch adds to the outputs), the call's MIDI enters the patch at
  // the engine clock of the call's start plus each offset, and the engine runs `frames`
  // samples. Without a running engine the outputs are silenced (replacing) or left alone.
  virtual void ProcessHostCall(const float* const* inputs, int32_t input_count, float* const* outputs,
                               int32_t output_count, int32_t frames, bool replacing,
                               const HostMidi* midi, int32_t midi_count) = 0;
  // Audio thread, after ProcessHostCall: the MIDI the patch sent to the host during that
  // call, offsets within the call; answers the number copied.
  virtual int32_t TakeHostMidiOut(HostMidi* out, int32_t capacity) = 0;
  // Audio thread: hands a host parameter value (0..1) to the unit generator of the control
  // behind it.
  virtual void SendHostValueToEngine(generic_parameter* control, float value) = 0;
};

}  // namespace kv
