#include "modules/midi/midi_device.h"

#include "engine/audio_master.h"
#include "modules/midi/controller_names.h"

namespace kv {

ug_midi_device::ug_midi_device() { SetProcessFunction(&ug_midi_device::sub_process_sleep); }

void ug_midi_device::ListChannel(std::vector<InterfaceObject>& list, const char* help,
                                 const char* def) {
  list.push_back(EnumIn(&channel, "Channel", midi::kChannelList)
                     .Default(def)
                     .Flags(kDeclAudioInput | kDeclReserved)
                     .Help(help));
}

void ug_midi_device::ListMidiIn(std::vector<InterfaceObject>& list, const char* help) {
  list.push_back(MidiIn(&midi_in, "MIDI In").Default("0").Help(help));
}

void ug_midi_device::ListInterface(std::vector<InterfaceObject>& list) {
  ListChannel(list, "MIDI Channel");
  ListMidiIn(list);
}

int ug_midi_device::EventReserve() const {
  // A full MIDI buffer may become events in one run.
  return ug_base::EventReserve() + MidiOutput::kCapacity;
}

bool ug_midi_device::CanSleep() { return events.empty() && midi_in.empty(); }

void ug_midi_device::Process(int count) {
  while (!midi_in.empty()) {
    const MidiEvent m = midi_in.Pop();
    const int status = m.status();
    if (status < 0x80) continue;  // no status byte: nothing to act on
    if (status < 0xF0 && channel >= 0 && (status & 0x0F) != channel) continue;
    AddEvent(m.time, UET_MIDI, m.message);
  }
  ug_base::Process(count);
}

void ug_midi_device::HandleEvent(ug_event* e) {
  if (e->type == UET_MIDI)
    OnMidiData(std::max(e->time, clock), e->arg1);
  else
    ug_base::HandleEvent(e);
}

}  // namespace kv
