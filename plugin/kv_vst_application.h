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
#include <string>

#include "engine/types.h"

namespace kv {

class CContainer;
class KvAudioMaster;
class MidiToHost;
class generic_parameter;

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
  // Connects the patch container's outer plugs to the host input and output modules.
  virtual void WireHostIo() = 0;

  // Engine life. StartEngine builds and starts an engine for the rate and host block size
  // (a running one is stopped first); it answers false when the build failed (the
  // application has reported why) and no engine exists then.
  virtual bool StartEngine(float sample_rate, int32_t host_block_size) = 0;
  virtual void StopEngine() = 0;
  // The running engine's master, or null.
  virtual KvAudioMaster* Master() = 0;
  // User-interface thread: refreshes queued by the engine, and queued texts.
  virtual void ServiceRefreshQueue() = 0;

  // Audio thread. Point the host input and output modules at this call's buffers;
  // `replacing` false asks the output module to add to the host's outputs.
  virtual void SetHostBuffers(float** inputs, float** outputs, bool replacing) = 0;
  // Puts one host MIDI message into the patch at `time` (engine clock).
  virtual void DeliverHostMidi(sample_clock time, uint32_t message) = 0;
  // Moves MIDI the patch sent to the host in the call that started at `call_start` and
  // lasted `frames` samples into `out`, as far as it has room; later messages stay queued.
  virtual void CollectMidiForHost(sample_clock call_start, int32_t frames, MidiToHost& out) = 0;
  // Hands a host parameter value (0..1) to the unit generator of the control behind it.
  virtual void SendHostValueToEngine(generic_parameter* control, float value) = 0;
};

}  // namespace kv
