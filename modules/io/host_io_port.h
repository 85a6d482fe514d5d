#pragma once
// HostIoPort: what the host input and output modules ask of the engine's owner. A "VST
// Input" and a "VST Output" announce themselves when they open and withdraw when they
// close; the owner (the application object) then points them at the host's buffers in
// every process call. The owner reaches them only between those two calls, on the audio
// thread or while the engine is held off.
namespace kv {

class ug_vst_in;
class ug_vst_out;

class HostIoPort {
 public:
  virtual ~HostIoPort() = default;
  // Answer false to leave the module inert (a patch's own extra copy of the module).
  virtual bool AttachHostInput(ug_vst_in* module) = 0;
  virtual void DetachHostInput(ug_vst_in* module) = 0;
  virtual bool AttachHostOutput(ug_vst_out* module) = 0;
  virtual void DetachHostOutput(ug_vst_out* module) = 0;
};

}  // namespace kv
