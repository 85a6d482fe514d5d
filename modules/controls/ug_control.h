#pragma once
// ug_control: the unit generator of a panel control. It turns the value stored in the
// document control (for the program in use) into the module's output, follows program
// changes, MIDI controllers and host automation, and reports changes it made itself back
// to the document (a refresh request).
//
// The document's stored values reach it through a StoredValueMirror (atomics the audio
// thread may read), handed over while the engine is built. From then on the control only
// hears panel messages (kControlValueChanged: the current value changed on the panel, recall
// it smoothed; kControlRecall: recall it at once; the argument names the patch) and UET_PROG_CHANGE events from
// "Patch Select". Host automation calls OnControllerValue on the audio thread at the start
// of a host call; the change is applied by an event at the master clock, so it lands on the
// same sample however the host splits its calls.
//
// Voices: the document knows only the first copy. Value changes pass down the clone chain
// as events, so every voice's copy follows.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/control_link.h"
#include "engine/midi_transport.h"
#include "engine/ug_base.h"

namespace kv {

class StoredValueMirror;

// Private event types of the control family.
enum ControlEventType : int32_t {
  UET_CONTROL_VALUE = 16,  // arg1: float bits of the new value (sample units); arg2: smooth
};

class ug_control : public ug_base, public ControlValueLink {
 public:
  enum PlugIndex { kChannel, kMidiIn, kMidiOut, kControllerId, kIgnoreProgramChange, kNrpn };

  ug_control();
  // Appends the six plugs every panel control starts with.
  void ListInterface(std::vector<InterfaceObject>& list) override;
  ug_base* Clone() override;
  void Open() override;
  void HandleEvent(ug_event* e) override;
  void OnUiMessage(int32_t kind, int32_t argument) override;

  virtual int GetControllerNumber() const { return controller_number; }
  virtual int GetNrpnNumber() const { return nrpn_number; }
  // Takes the stored value of the patch (-1: the patch in use) as the control's value.
  virtual void RecallValue(int patch, bool smooth) = 0;
  // A normalised value (0..1) from a MIDI controller or the host; answers whether the value
  // changed.
  bool OnControllerValue(float normalised) override = 0;
  virtual std::string GetValueText() const = 0;
  virtual float GetNormalised() const = 0;

  // ControlValueLink
  void AttachValues(const StoredValueMirror* values, int currentPatch) override;
  std::string ValueTextForDocument() const override { return GetValueText(); }
  // User-interface thread: the value with the patch it was recalled for. A switch of patch
  // on the audio thread is bracketed by a sequence count (odd while switching), so the
  // pair is read again until no switch happened in between.
  std::string ValueTextForDocument(int& patch) const override;
  void SetMidiSettings(int16_t controller, int16_t nrpn) override;

  const StoredValueMirror* stored_values() const { return values_; }
  int current_patch() const { return current_patch_.load(std::memory_order_relaxed); }

  // Plug storage.
  int16_t channel = -1;
  MidiInput midi_in;
  MidiOutput midi_out;
  int16_t controller_number = -1;
  uint8_t ignore_program_change = 0;
  int16_t nrpn_number = 0;

 protected:
  // The plugs a subclass lists before or instead of the common ones.
  static void ListCommonPlugs(ug_control* c, std::vector<InterfaceObject>& list);
  // Applies a value from OnControllerValue at the master clock (an event to itself).
  void PostValue(float value, bool smooth);
  // Handles UET_CONTROL_VALUE: the subclass takes the value (already stored) and ramps.
  virtual void ApplyValue(float value, bool smooth) {}
  // Files the control under its MIDI controller in its container's lists (first copy only).
  void FileController();
  // Passes a panel message or value event on to the next voice copy.
  void PassToNextCopy(int32_t type, int32_t arg1, int32_t arg2);
  // Audio thread: makes `patch` the patch in use and recalls its value, as one step for
  // readers of ValueTextForDocument(patch).
  void SwitchPatch(int patch, bool smooth);

  const StoredValueMirror* values_ = nullptr;
  std::atomic<int> current_patch_{0};

 private:
  std::atomic<uint32_t> patch_switches_{0};
};

}  // namespace kv
