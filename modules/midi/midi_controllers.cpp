#include "modules/midi/midi_controllers.h"

#include <string>

#include "engine/audio_master.h"
#include "modules/midi/controller_names.h"

namespace kv {

void ug_midi_controllers::ListInterface(std::vector<InterfaceObject>& list) {
  ListMidiIn(list);
  ListChannel(list, "MIDI Channel");
  for (int i = 0; i < kSlots; ++i)
    list.push_back(
        EnumIn(&type[i], "Type", midi::ControllerChoiceList())
            .Default(std::to_string(i + 1))
            .Flags(kDeclAudioInput)
            .Help("Choose which MIDI controller you want converted to a Voltage output"));
  list.push_back(VoltsOut(&aftertouch_out, "Aftertouch"));
  list.push_back(VoltsOut(&bender_out, "Bender"));
  for (int i = 0; i < kSlots; ++i) list.push_back(VoltsOut(&controller_out[i], "Controller"));
}

void ug_midi_controllers::Open() {
  ug_midi_device::Open();
  const int glide = static_cast<int>(SampleRate()) / 60;
  for (int i = 0; i < 2 + kSlots; ++i)
    outputs_[i].Setup(plugs[kAftertouch + i], BlockSize(), glide, smart_output::kLinear);
  SetProcessFunction(&ug_midi_controllers::sub_process);
}

void ug_midi_controllers::Resume() {
  ug_midi_device::Resume();
  for (smart_output& o : outputs_) o.Resume();
}

void ug_midi_controllers::sub_process(int offset, int count) {
  bool busy = false;
  for (smart_output& o : outputs_) busy = o.Write(offset, count, clock) || busy;
  if (!busy) SetProcessFunction(&ug_midi_controllers::sub_process_sleep);
}

void ug_midi_controllers::OnMidiData(sample_clock time, int32_t message) {
  const int status = message & 0xF0;
  const int d1 = (message >> 8) & 0x7F;
  const int d2 = (message >> 16) & 0x7F;
  bool changed = false;
  switch (status) {
    case 0xD0:
      outputs_[0].Set(time, static_cast<float>(d1) * 0.007874016f);
      changed = true;
      break;
    case 0xE0:
      outputs_[1].Set(time, static_cast<float>(d1 + d2 * 128 - 8192) * (1.0f / 8192.0f));
      changed = true;
      break;
    case 0xB0:
      for (int i = 0; i < kSlots; ++i) {
        const int t = type[i];
        if (t < 0) continue;  // "<none>"
        if (d1 == t) {
          cells_[i] = WriteMsb(cells_[i], d2);
        } else if (d1 == t + 32 && d1 < 64) {
          cells_[i] = WriteLsb(cells_[i], d2);
        } else {
          continue;
        }
        outputs_[2 + i].Set(time, Normalised(cells_[i]));
        changed = true;
      }
      break;
    default:
      break;
  }
  if (changed) SetProcessFunction(&ug_midi_controllers::sub_process);
}

}  // namespace kv
