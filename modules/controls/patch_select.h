#pragma once
// "Patch Select" (ug_patch_sel): the engine side of a container's programs. A program
// change, from MIDI (on its channel, "All" taking every channel) or from the document
// (the panel message kPatchSelectProgram), that differs from the program it holds is stored, sent on as a
// MIDI program change (status 0xC0 with the channel, 0 for "All"), posted as
// UET_PROG_CHANGE to every unit generator of its patch context at the end of the current
// run, and reported to the document, which switches the container to the same program.
#include <atomic>

#include "engine/control_link.h"
#include "engine/midi_transport.h"
#include "engine/ug_base.h"

namespace kv {

class ug_patch_sel : public ug_base, public ControlValueLink {
 public:
  enum PlugIndex { kChannel, kMidiIn, kMidiOut };

  ug_patch_sel();
  ug_base* CreateObject() override { return new ug_patch_sel; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Process(int count) override;
  void HandleEvent(ug_event* e) override;
  void OnUiMessage(int32_t kind, int32_t argument) override;

  // ControlValueLink: the document's program at build time; the program held, as text.
  void AttachValues(const StoredValueMirror*, int currentPatch) override;
  bool OnControllerValue(float) override { return false; }
  std::string ValueTextForDocument() const override;

  int program() const { return program_.load(std::memory_order_relaxed); }

  int16_t channel = -1;
  MidiInput midi_in;
  MidiOutput midi_out;

 private:
  void Select(int program);
  std::atomic<int> program_{0};
};

}  // namespace kv
