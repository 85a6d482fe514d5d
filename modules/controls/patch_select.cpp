#include "modules/controls/patch_select.h"

#include "engine/number_text.h"
#include "engine/audio_master.h"
#include "engine/ug_container.h"

namespace kv {

ug_patch_sel::ug_patch_sel() { SetProcessFunction(&ug_patch_sel::sub_process_sleep); }

void ug_patch_sel::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(EnumIn(&channel, "Channel", "All=-1,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16")
                     .Default("-1")
                     .Flags(kDeclAudioInput | kDeclReserved)
                     .Help("MIDI Channel"));
  list.push_back(MidiIn(&midi_in, "MIDI In").Default("0"));
  list.push_back(MidiOut(&midi_out, "MIDI Out").Help("Transmits MIDI Program change messages"));
}

void ug_patch_sel::AttachValues(const StoredValueMirror*, int currentPatch) {
  program_.store(currentPatch, std::memory_order_relaxed);
}

std::string ug_patch_sel::ValueTextForDocument() const { return formatInt(program()); }

void ug_patch_sel::Process(int count) {
  // Incoming records become events at their times, so each lands on its own sample.
  while (!midi_in.empty()) {
    const MidiEvent m = midi_in.Pop();
    const int status = m.status();
    if (status < 0xF0 && channel >= 0 && (status & 0x0F) != channel) continue;
    AddEvent(m.time, UET_MIDI, m.message);
  }
  ug_base::Process(count);
}

void ug_patch_sel::HandleEvent(ug_event* e) {
  if (e->type != UET_MIDI) {
    ug_base::HandleEvent(e);
    return;
  }
  const int message = e->arg1;
  if ((message & 0xF0) == 0xC0) {
    const int n = (message >> 8) & 0x7F;
    if (n != program()) Select(n);
  }
}

void ug_patch_sel::OnUiMessage(int32_t kind, int32_t argument) {
  if (kind == kPatchSelectProgram) {
    if (argument != program()) Select(argument);
    return;
  }
  ug_base::OnUiMessage(kind, argument);
}

void ug_patch_sel::Select(int n) {
  program_.store(n, std::memory_order_relaxed);
  const int ch = channel < 0 ? 0 : (channel & 0x0F);
  SendMidi(GetPlug(kMidiOut), clock, MidiEvent::Pack(0xC0 | ch, n & 0x7F, 0));
  auto* context = dynamic_cast<ug_container*>(patch_context);
  if (context && master) {
    const sample_clock at = master->GetRunEnd();
    for (Voice* v : context->target->voices)
      for (ug_base* u : v->ugs)
        if (u != this && u->patch_context == patch_context && (u->flags & UGF_OPEN))
          u->PostProgramChange(at, n);
  }
  RequestDocumentRefresh();
}

}  // namespace kv
