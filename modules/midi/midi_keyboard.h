#pragma once
// ug_midi_keyboard ("KeyBoard"): notes played on the panel's keyboard. Panel message 3
// (key down, argument = note) queues a note-on (velocity 90), message 4 (key up) a
// note-off (velocity 64), on the chosen channel; the next run sends them at the module's
// clock in the order they came.
#include <array>
#include <vector>

#include "engine/midi_transport.h"
#include "engine/ug_base.h"

namespace kv {

class ug_midi_keyboard : public ug_base {
 public:
  enum PlugIndex { kChannel, kMidiOut };
  enum { kKeyDown = 3, kKeyUp = 4 };

  ug_midi_keyboard();
  ug_base* CreateObject() override { return new ug_midi_keyboard; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void OnUiMessage(int32_t kind, int32_t argument) override;
  bool CanSleep() override { return events.empty() && pending_count_ == 0; }

  int16_t channel = 0;
  MidiOutput midi_out;

 private:
  void sub_process_send(int offset, int count);
  // Messages wait here between the panel message and the next run (the panel ring holds
  // at most 80 messages per call, so this never fills in practice; a full queue drops).
  std::array<int32_t, 128> pending_{};
  int pending_count_ = 0;
};

}  // namespace kv
