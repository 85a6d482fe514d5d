#include "engine/ug_notesource.h"

#include "engine/audio_master.h"
#include "engine/ug_container.h"

namespace kv {

ug_notesource::ug_notesource() {
  flags |= UGF_NOTE_SOURCE | UGF_VOICE_DEPENDENT | UGF_SORT_FIRST;
}

void ug_notesource::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(MidiIn(&midi_in, "MIDI In").Default("0"));
  list.push_back(EnumIn(&channel_filter, "Channel", "All=-1,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16")
                     .Default("-1")
                     .Flags(kDeclAudioInput | kDeclReserved)
                     .Help("MIDI Channel"));
}

int ug_notesource::EventReserve() const {
  // The prototype turns every record of a full MIDI buffer into an event; every note source
  // receives a handful of voice events at a time.
  return ug_base::EventReserve() + 32 + (IsPrototype() ? MidiOutput::kCapacity : 0);
}

ug_container* ug_notesource::Container() const { return dynamic_cast<ug_container*>(container); }

void ug_notesource::Open() {
  ug_container* c = Container();
  if (!IsPrototype() && c && c->voices[0]->note_source) {
    auto* proto = static_cast<ug_notesource*>(c->voices[0]->note_source);
    channels_ = proto->channels_;
  } else {
    channels_ = own_channels_.data();
  }
  ug_base::Open();
}

void ug_notesource::WireClone(ug_base* prototype, const CloneMap& copies) {
  ug_base::WireClone(prototype, copies);
  // Only the prototype reads MIDI: a copy that never reads would hold its source's buffer.
  for (UPlug* p : plugs) {
    if (p->data_type != dt_midi || p->direction != DR_IN) continue;
    while (!p->connections.empty()) UPlug::Disconnect(p->connections.back());
  }
}

void ug_notesource::RegisterQuickRelease(ug_base* u) {
  for (ug_base* r : quick_release_)
    if (r == u) return;
  quick_release_.push_back(u);
}

void ug_notesource::Process(int count) {
  if (IsPrototype()) {
    while (!midi_in.empty()) {
      const MidiEvent m = midi_in.Pop();
      const int status = m.status();
      if (status < 0x80) continue;  // not a status byte: nothing to act on
      if (status < 0xF0 && channel_filter >= 0 && (status & 0x0F) != channel_filter) continue;
      AddEvent(m.time, UET_MIDI, m.message);
    }
  }
  ug_base::Process(count);
}

void ug_notesource::HandleEvent(ug_event* e) {
  switch (e->type) {
    case UET_MIDI:
      OnMidi(e->time, e->arg1);
      return;
    case UET_SUSPEND:
      if (e->ptr) static_cast<Voice*>(e->ptr)->Suspend();
      return;
    case UET_NOTE_ON:
      NoteOn(e->arg1, e->arg2, e->arg3);
      return;
    case UET_NOTE_OFF:
      NoteOff(e->arg1, e->arg2, 0);
      return;
    case UET_QUICK_RELEASE:
      for (ug_base* r : quick_release_)
        r->AddEvent(clock, UET_QUICK_RELEASE, e->arg1, e->arg2, nullptr, 64);
      QuickRelease(e->arg1, e->arg2, e->arg3);
      return;
    case UET_PITCH_BEND:
      SetBend(static_cast<float>(e->arg1) / 8192.0f);
      return;
    case UET_AFTERTOUCH:
      SetAftertouch(static_cast<float>(e->arg1) / 127.0f);
      return;
    default:
      ug_base::HandleEvent(e);
  }
}

void ug_notesource::NoteOn(int channel, int note, int velocity) {
  current_channel = channel;
  current_note = note;
}

void ug_notesource::PostToPrototypeAndCopies(int type, int value, int channel) {
  AddEvent(clock, type, value);
  for (ug_base* c = clone_link; c; c = c->clone_link) {
    auto* ns = static_cast<ug_notesource*>(c);
    if (ns->current_channel == channel) ns->AddEvent(clock, type, value);
  }
}

void ug_notesource::OnMidi(sample_clock time, int32_t message) {
  ug_container* box = Container();
  const int status = message & 0xF0;
  const int c = message & 0x0F;
  const int d1 = (message >> 8) & 0x7F;
  const int d2 = (message >> 16) & 0x7F;
  ChannelState& ch = channels_[c];
  switch (status) {
    case 0x90:
      if (d2 != 0) {
        if (box) box->AllocateVoice(time, c, d1, d2, VoiceHint());
        return;
      }
      [[fallthrough]];  // velocity 0: a note-off
    case 0x80:
      if (!box) return;
      if (ch.pedal)
        box->DeferRelease(c, d1);
      else
        box->ReleaseNote(time, c, d1, d2);
      return;
    case 0xB0:
      switch (d1) {
        case 0: OnBankSelect(c, (c == 9 && d2 == 0) ? 128 : d2); return;
        case 101: ch.rpn_msb = d2; ch.nrpn = false; return;
        case 100: ch.rpn_lsb = d2; ch.nrpn = false; return;
        case 99:
        case 98: ch.nrpn = true; return;
        case 6:
        case 38:
          if (!ch.nrpn && ch.rpn_msb == 0 && ch.rpn_lsb == 0) {
            if (d1 == 6)
              ch.range_coarse = d2;
            else
              ch.range_fine = d2;
            ch.bend_range = static_cast<float>(ch.range_coarse) + ch.range_fine / 128.0f;
          }
          return;
        case 64:
        case 69:
          if (d2 > 63) {
            ch.pedal = true;
          } else if (ch.pedal) {
            ch.pedal = false;
            if (box) box->ReleasePedal(time, c);
          }
          return;
        case 120:
        case 123:
          if (box) box->ReleaseNote(time, c, -1, 64);
          return;
        default: return;
      }
    case 0xC0:
      OnProgramChange(c, d1);
      for (ug_base* u = clone_link; u; u = u->clone_link) u->OnProgramChange(c, d1);
      return;
    case 0xD0:
      PostToPrototypeAndCopies(UET_AFTERTOUCH, d1, c);
      return;
    case 0xE0: {
      const int value = d1 + 128 * d2 - 8192;
      ch.bend = static_cast<float>(value) / 8192.0f;
      PostToPrototypeAndCopies(UET_PITCH_BEND, value, c);
      return;
    }
    default: return;
  }
}

}  // namespace kv
