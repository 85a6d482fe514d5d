#include "modules/midi/midi_keyboard.h"

#include <algorithm>

namespace kv {

ug_midi_keyboard::ug_midi_keyboard() { SetProcessFunction(&ug_midi_keyboard::sub_process_sleep); }

void ug_midi_keyboard::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(EnumIn(&channel, "Channel", "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16")
                     .Default("0")
                     .Flags(kDeclAudioInput | kDeclReserved)
                     .Help("MIDI Channel"));
  list.push_back(MidiOut(&midi_out, "MIDI Out"));
}

void ug_midi_keyboard::OnUiMessage(int32_t kind, int32_t argument) {
  if (kind != kKeyDown && kind != kKeyUp) {
    ug_base::OnUiMessage(kind, argument);
    return;
  }
  if (pending_count_ >= static_cast<int>(pending_.size())) return;
  const int ch = std::clamp<int>(channel, 0, 15);
  pending_[pending_count_++] = kind == kKeyDown ? MidiEvent::Pack(0x90 + ch, argument & 0x7F, 90)
                                                : MidiEvent::Pack(0x80 + ch, argument, 64);
  SetProcessFunction(&ug_midi_keyboard::sub_process_send);
  Wake();
}

void ug_midi_keyboard::sub_process_send(int offset, int count) {
  for (int i = 0; i < pending_count_; ++i) midi_out.Push(clock, pending_[i]);
  if (pending_count_ > 0) WakeDestinations(plugs[kMidiOut]);
  pending_count_ = 0;
  SetProcessFunction(&ug_midi_keyboard::sub_process_sleep);
  sub_process_sleep(offset, count);
}

}  // namespace kv
