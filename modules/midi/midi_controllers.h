#pragma once
// ug_midi_controllers ("Controllers"): MIDI to voltages for one channel (or all).
//   Aftertouch  channel pressure / 127;
//   Bender      (data1 + 128 data2 - 8192) / 8192, from -1.0 (-10 V) to 8191/8192;
//   Controller 1..4  the controller chosen by "Type" 1..4, as 14 bits: the controller's
//               value is the MSB, controller + 32 (for controllers below 32) its LSB; the
//               output is cell / 16256, so MSB 127 alone is exactly 1.0 (10 V).
// Every output glides to a new value over (sample rate) / 60 samples. A "Type" of
// "<none>" (-1) takes no controller at all.
#include <array>
#include <cstdint>
#include <vector>

#include "modules/midi/midi_device.h"
#include "modules/midi/smart_output.h"

namespace kv {

class ug_midi_controllers : public ug_midi_device {
 public:
  enum PlugIndex { kMidiInPlug, kChannelPlug, kType1, kAftertouch = 6, kBender, kController1 };
  static constexpr int kSlots = 4;

  ug_base* CreateObject() override { return new ug_midi_controllers; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void Resume() override;
  void OnMidiData(sample_clock time, int32_t message) override;

  // A 14-bit controller cell: MSB in bits 7-13, LSB in bits 0-6.
  static uint16_t WriteMsb(uint16_t cell, int value) { return static_cast<uint16_t>((cell & 0x7F) | ((value & 0x7F) << 7)); }
  static uint16_t WriteLsb(uint16_t cell, int value) { return static_cast<uint16_t>((cell & 0x3F80) | (value & 0x7F)); }
  static float Normalised(uint16_t cell) { return static_cast<float>(cell) / 16256.0f; }

  std::array<int16_t, kSlots> type{1, 2, 3, 4};
  float* aftertouch_out = nullptr;
  float* bender_out = nullptr;
  std::array<float*, kSlots> controller_out{};

 private:
  void sub_process(int offset, int count);
  std::array<smart_output, 2 + kSlots> outputs_;  // aftertouch, bender, controllers 1-4
  std::array<uint16_t, kSlots> cells_{};
};

}  // namespace kv
