#pragma once
// ug_midi_monitor ("MIDI Monitor"): shows the MIDI it receives as text lines on its panel
// display. Each message on the chosen channel (or any system message) becomes one line,
// for example "C 1 Note On  ( 60,100)\n"; at Open it shows "Sound ON".
//
// Lines travel to the user-interface thread through a bounded lock-free queue (a full
// queue drops the newest lines); the module asks for a refresh of its document module and
// the display takes the lines with TakeLine.
#include <vector>

#include "engine/midi_transport.h"
#include "engine/spsc_queue.h"
#include "engine/ug_base.h"

namespace kv {

class ug_midi_monitor : public ug_base {
 public:
  enum PlugIndex { kMidiIn, kChannel };
  static constexpr int kLineCapacity = 64;
  struct Line {
    char text[kLineCapacity];
  };

  ug_midi_monitor();
  ug_base* CreateObject() override { return new ug_midi_monitor; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void Process(int count) override;
  void HandleEvent(ug_event* e) override;
  bool CanSleep() override { return events.empty() && midi_in.empty(); }
  int EventReserve() const override { return ug_base::EventReserve() + MidiOutput::kCapacity; }

  // The line shown for `message` (no channel test), written into `out`. No allocation.
  static void Format(int32_t message, char (&out)[kLineCapacity]);
  // User-interface thread: the next line, false when none is waiting.
  bool TakeLine(std::string& line);

  MidiInput midi_in;
  int16_t channel = -1;

 private:
  void Show(const char* text);
  SpscQueue<Line, 256> lines_;
};

}  // namespace kv
