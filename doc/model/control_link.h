#pragma once
// ControlValueLink: what a panel control's unit generator offers its document control.
// The panel-control unit generators implement it; the document control finds it on the
// unit generator it made and uses it for the three crossings between document and engine:
//   - build time: hand over the stored values (a mirror the audio thread may read) and the
//     patch in use;
//   - audio thread: a host parameter's normalised value (the pending host-parameter path);
//   - user-interface thread, after the unit generator asked for a refresh: the value it now
//     holds, as the text the control stores.
#include <cstdint>
#include <string>

namespace kv {

class StoredValueMirror;

// Panel messages a document control posts to its unit generator (the argument is the patch
// whose stored value to recall).
enum ControlMessageKind : int32_t {
  kControlValueChanged = 1,  // the value was changed on the panel: recall it, smoothed
  kControlRecall = 2,        // recall the value without smoothing
  kPatchSelectProgram = 5,   // "Patch Select": the container switched to the program
};

class ControlValueLink {
 public:
  virtual ~ControlValueLink() = default;
  virtual void AttachValues(const StoredValueMirror* values, int currentPatch) = 0;
  virtual bool OnControllerValue(float normalised) = 0;
  virtual std::string ValueTextForDocument() const = 0;
  // Build time: the MIDI controller and NRPN numbers a patch parameter keeps in its record.
  virtual void SetMidiSettings(int16_t controller, int16_t nrpn) {}
  // Build time: the smallest and largest value of a list control's choices.
  virtual void SetListRange(int min, int max) {}
};

}  // namespace kv
