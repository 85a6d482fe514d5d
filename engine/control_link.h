#pragma once
// ControlValueLink: what a panel control's unit generator offers its document control.
// The panel-control unit generators implement it; the document control finds it on the
// unit generator it made and uses it for the three crossings between document and engine:
//   - build time: hand over the stored values (a mirror the audio thread may read) and the
//     patch in use;
//   - audio thread: a host parameter's normalised value (the pending host-parameter path);
//   - user-interface thread, after the unit generator asked for a refresh: the value it now
//     holds, as the text the control stores, and the patch that value belongs to. The
//     patch matters when programs switch: the engine and the document switch at different
//     moments, so the document's current program need not be the one the value was for.
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
  // The value text together with the patch it belongs to, read as one pair (-1: the
  // document's current patch, for links that keep no patch of their own).
  virtual std::string ValueTextForDocument(int& patch) const {
    patch = -1;
    return ValueTextForDocument();
  }
  // Build time: the MIDI controller and NRPN numbers a patch parameter keeps in its record.
  virtual void SetMidiSettings(int16_t controller, int16_t nrpn) {}
  // Build time: the smallest and largest value of a list control's choices.
  virtual void SetListRange(int min, int max) {}
};

}  // namespace kv
