#pragma once
// MIDI automation of panel controls.
//
// ug_midi_automator ("MIDI Automator"): control changes on its channel (or all) reach the
// panel controls mapped to that controller. Controllers 0-31 write the MSB and 32-63 the
// LSB of a 14-bit cell per controller (an LSB is reported as its MSB controller); 99/98
// set the MSB/LSB of the NRPN number (forgetting the RPN) and 101/100 those of the RPN
// number (forgetting the NRPN); any other controller's value is data x 128. The value,
// limited to 16256 (so that 1.0 = 16256 = 127 x 128), goes with the controller and the
// current NRPN and RPN numbers to the container, which posts it to every control filed
// under that controller (ug_container::DispatchController; a control reads value / 16256).
// It sorts first (flag 0x2000) so automation reaches the controls before they run.
//
// ug_midi_automator_out ("MIDI Automator Output"): the other direction. When a mapped
// control changes, Send turns its normalised value into control changes on "MIDI Out"
// (MSB, and LSB for controllers below 32; NRPN/RPN controls first select their parameter
// number and then send on Data Entry).
#include <array>
#include <vector>

#include "engine/midi_transport.h"
#include "modules/midi/midi_device.h"

namespace kv {

class ug_midi_automator_out;

class ug_midi_automator : public ug_midi_device {
 public:
  enum PlugIndex { kChannelPlug, kMidiInPlug, kMidiOut, kHiddenOutput };

  ug_midi_automator();
  ug_base* CreateObject() override { return new ug_midi_automator; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnMidiData(sample_clock time, int32_t message) override;

  // The companion that sends the controls' changes (made with this module by the document).
  void Link(ug_midi_automator_out* companion) { companion_ = companion; }
  ug_midi_automator_out* companion() const { return companion_; }
  // A panel control changed (controller number, NRPN number, normalised value): passed to
  // the companion to be sent.
  void ReportControl(sample_clock time, int controller, int parameter_number, float value);

  int rpn() const { return rpn_; }
  int nrpn() const { return nrpn_; }

  MidiOutput midi_out;
  MidiOutput hidden_out;

 private:
  std::array<uint16_t, 32> cells_{};
  int rpn_ = -1;
  int nrpn_ = -1;
  ug_midi_automator_out* companion_ = nullptr;
};

class ug_midi_automator_out : public ug_base {
 public:
  enum PlugIndex { kChannel, kHiddenInput, kMidiOut };

  ug_midi_automator_out();
  ug_base* CreateObject() override { return new ug_midi_automator_out; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void Process(int count) override;

  // Audio thread: value x (normalised) of controller c, parameter number p (NRPN/RPN).
  // Nothing is sent for c < 0, without a connection on "MIDI Out", before Open, or for a
  // time before the last time sent or this module's clock.
  void Send(sample_clock time, float x, int c, int p);

  int16_t channel = 0;
  MidiInput hidden_in;
  MidiOutput midi_out;

 private:
  sample_clock last_sent_ = INT64_MIN;
};

}  // namespace kv
