#include "engine/ug_container.h"

#include <algorithm>

#include "engine/audio_master.h"
#include "engine/graph_connect.h"
#include "engine/kv_exception.h"
#include "engine/ug_adder.h"
#include "engine/ug_io_mod.h"
#include "engine/ug_notesource.h"
#include "engine/voice_monitor.h"

namespace kv {

ug_container::ug_container() {
  SetProcessFunction(&ug_container::sub_process_sleep);
  NewVoice();
}

ug_container::~ug_container() {
  for (auto v = voices.rbegin(); v != voices.rend(); ++v) {
    for (auto u = (*v)->ugs.rbegin(); u != (*v)->ugs.rend(); ++u) delete *u;
    delete *v;
  }
  voices.clear();
}

void ug_container::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(
      ContainerIo("Spare").Default("0").Flags(kDeclSpare).Help("Connection to a module inside"));
  list.push_back(EnumParameter(&polyphony, "Polyphony", "range 1,200")
                     .Default("6")
                     .Help("Limits the number of notes you can play at once. (Changes take effect "
                           "next time you re-start the sound)"));
  list.push_back(BoolParameter(&midi_automation, "MIDI Automation").Flags(kDeclUnlisted));
  list.push_back(
      EnumParameter(&show_controls, "Show Controls", "Off,On Panel,On Module").Default("0"));
}

Voice* ug_container::NewVoice() {
  auto* v = new Voice;
  v->index = static_cast<int>(voices.size());
  voices.push_back(v);
  return v;
}

int ug_container::Polyphony() const { return std::clamp<int>(polyphony, 1, 200); }

void ug_container::Add(ug_base* u) { AddToVoice(u, voices.back()); }

void ug_container::AddToVoice(ug_base* u, Voice* v) {
  u->container = this;
  if (!u->master) u->master = master;
  v->ugs.push_back(u);
  if (!(u->flags & UGF_NOTE_SOURCE) || !dynamic_cast<ug_notesource*>(u)) return;
  if (!v->note_source) {
    v->note_source = u;
    return;
  }
  u->PostMessage(kSeveralNoteSourcesText);
  if (master) master->RequestClose();
}

ug_base* ug_container::GetIoModule() {
  if (io_module) return io_module;
  for (ug_base* u : voices[0]->ugs)
    if (u->flags & UGF_IO_MODULE) return io_module = u;
  auto* io = new ug_io_mod;
  io->master = master;
  io->BuildPlugsFromDeclarations();
  io->patch_context = patch_context;
  Add(io);
  return io_module = io;
}

ug_base* ug_container::GetSummingModule(int32_t datatype) {
  ug_base* s = nullptr;
  if (datatype == dt_volts)
    s = new ug_adder;
  else if (datatype == dt_midi)
    s = new ug_adder_midi;
  else
    return nullptr;
  s->master = master;
  s->BuildPlugsFromDeclarations();
  Add(s);
  return s;
}

void ug_container::Open() {
  ug_base::Open();
  for (Voice* v : voices) {
    for (ug_base* u : v->ugs) {
      u->master = master;
      u->voice_tag = v->index;
      u->Open();
    }
    v->open = true;
    v->suspended = false;
  }
}

void ug_container::Close() {
  for (Voice* v : voices) {
    if (!v->open) continue;
    for (ug_base* u : v->ugs) u->Close();
    v->open = false;
  }
  ug_base::Close();
}

void ug_container::CollectAll(std::vector<ug_base*>& out) const {
  for (const Voice* v : voices) {
    for (ug_base* u : v->ugs) {
      out.push_back(u);
      if (auto* c = dynamic_cast<ug_container*>(u)) c->CollectAll(out);
    }
  }
}

// --- voice dependency ------------------------------------------------------------------

void ug_container::PrepareVoiceDependency() {
  ug_base* ns = voices[0]->note_source;
  if (!ns) return;
  if (static_cast<ug_notesource*>(ns)->IsPolyphonic()) {
    MarkVoicesPolyphonic(ns);
    AddVoiceSumming();
  } else {
    TagDrumVoices(ns);
  }
  AddVoiceMonitors();
}

void ug_container::MarkVoicesPolyphonic(ug_base* ns) {
  ns->MarkVoiceDownstream();
  const std::vector<ug_base*> members = voices[0]->ugs;
  for (ug_base* u : members)
    if ((u->flags & UGF_VOICE_MARKED_DOWN) && u->IsVoiceInputActive()) u->MarkVoiceUpstream();
  for (ug_base* u : members) {
    const uint32_t both = UGF_VOICE_MARKED_DOWN | UGF_VOICE_MARKED_UP;
    if ((u->flags & both) == both) u->flags |= UGF_VOICE_DEPENDENT;
  }
  ns->flags |= UGF_VOICE_DEPENDENT;
}

void ug_container::TagDrumVoices(ug_base* ns) {
  int number = 0;
  for (UPlug* p : ns->plugs) {
    if (p->direction != DR_OUT) continue;
    ++number;
    const std::vector<Connection*> conns = p->connections;
    for (Connection* c : conns)
      if (c->source == p) c->destination->owner->TagVoiceSourceDownstream(number);
  }
  const std::vector<ug_base*> members = voices[0]->ugs;
  for (ug_base* u : members) {
    if (u == ns || u->voice_tag <= 0) continue;
    for (UPlug* p : u->plugs) {
      if (p->direction != DR_IN || p->data_type == dt_midi) continue;
      for (Connection* c : p->connections)
        if (c->destination == p && c->source->owner != ns)
          c->source->owner->TagVoiceSourceUpstream(u->voice_tag);
    }
  }
  for (ug_base* u : members) {
    if (u == ns || u->voice_tag <= 0) continue;
    while (VoiceCount() <= u->voice_tag) {
      Voice* v = NewVoice();
      v->note_source = ns;
      v->note = static_cast<int16_t>(v->index);
    }
    std::erase(voices[0]->ugs, u);
    u->flags |= UGF_VOICE_DEPENDENT;
    voices[u->voice_tag]->ugs.push_back(u);
  }
  for (ug_base* u : members) u->voice_tag = -1;
}

void ug_container::AddVoiceSumming() {
  const std::vector<ug_base*> members = voices[0]->ugs;
  for (ug_base* u : members) {
    if (!(u->flags & UGF_VOICE_DEPENDENT)) continue;
    for (UPlug* p : u->plugs) {
      if (p->direction != DR_OUT || (p->data_type != dt_volts && p->data_type != dt_midi))
        continue;
      const std::vector<Connection*> conns = p->connections;
      for (Connection* c : conns) {
        UPlug* d = c->destination;
        if (c->source != p || (d->owner->flags & UGF_VOICE_DEPENDENT) || (d->flags & UPLUG_COLLECTOR))
          continue;
        UPlug::Disconnect(c);
        ug_base* sum = GetSummingModule(p->data_type);
        UPlug::Connect(p, sum->plugs[ug_adder::kIn]);
        UPlug::Connect(sum->plugs[ug_adder::kOut], d);
        if (d->owner->flags & UGF_DISPLAY_ONLY) sum->flags |= UGF_DISPLAY_ONLY;
        sum->flags |= UGF_NEVER_VOICE;
        d->proxy = sum->plugs[ug_adder::kIn];
      }
    }
  }
}

void ug_container::AddVoiceMonitors() {
  for (Voice* v : voices) {
    const std::vector<ug_base*> members = v->ugs;
    for (ug_base* u : members) {
      if (!(u->flags & UGF_VOICE_DEPENDENT)) continue;
      for (UPlug* p : u->plugs) {
        if (p->direction != DR_OUT || p->data_type != dt_volts) continue;
        for (Connection* c : p->connections) {
          const ug_base* o = c->destination->owner;
          if (c->source != p || (o->flags & (UGF_VOICE_DEPENDENT | UGF_DISPLAY_ONLY))) continue;
          if (!v->monitor) {
            auto* m = new ug_voice_monitor;
            m->master = master;
            m->BuildPlugsFromDeclarations();
            m->flags |= UGF_VOICE_DEPENDENT;
            AddToVoice(m, v);
            v->monitor = m;
          }
          UPlug::Connect(p, v->monitor->plugs[ug_adder::kIn]);
          break;
        }
      }
    }
  }
}

// --- container boundaries ----------------------------------------------------------------

namespace {
Connection* FirstWhereDestination(UPlug* p) {
  for (Connection* c : p->connections)
    if (c->destination == p) return c;
  return nullptr;
}
std::vector<Connection*> WhereSource(UPlug* p) {
  std::vector<Connection*> out;
  for (Connection* c : p->connections)
    if (c->source == p) out.push_back(c);
  return out;
}
// Moves every connection leaving `from` onto `source`.
void Reroute(UPlug* from, UPlug* source) {
  for (Connection* c : WhereSource(from)) {
    UPlug* d = c->destination;
    UPlug::Disconnect(c);
    ConnectPlugs(source, d);
  }
}
}  // namespace

void ug_container::WireIoBoundaries() {
  for (UPlug* cp : plugs) {
    UPlug* io = cp->linked;
    if (cp->direction != DR_CONTAINER_IO || !io) continue;
    // An output of the container: a source inside feeds the IO plug, modules outside
    // read the container plug.
    Connection* inner = FirstWhereDestination(io);
    if (inner && !WhereSource(cp).empty()) {
      UPlug* src = inner->source;
      cp->proxy = src;
      UPlug::Disconnect(inner);
      Reroute(cp, src);
    }
    // An input: a source outside feeds the container plug, modules inside read the IO plug.
    Connection* outer = FirstWhereDestination(cp);
    if (outer && !WhereSource(io).empty()) {
      UPlug* src = outer->source;
      io->proxy = src;
      UPlug::Disconnect(outer);
      Reroute(io, src);
    }
  }
}

// --- voices --------------------------------------------------------------------------------

void ug_container::PrepareVoices() {
  for (Voice* v : voices)
    std::stable_sort(v->ugs.begin(), v->ugs.end(),
                     [](const ug_base* a, const ug_base* b) { return a->sort_order < b->sort_order; });
  ug_base* ns = voices[0]->note_source;
  if (!ns || !static_cast<ug_notesource*>(ns)->IsPolyphonic()) return;
  const int wanted = Polyphony();
  std::vector<ug_base*> prototypes;
  for (ug_base* u : voices[0]->ugs)
    if (u->flags & UGF_VOICE_DEPENDENT) prototypes.push_back(u);
  while (VoiceCount() < wanted) {
    Voice* v = NewVoice();
    CloneMap copies;
    for (ug_base* p : prototypes) {
      ug_base* c = p->Clone();
      copies[p] = c;
      c->container = this;
      v->ugs.push_back(c);
      if (p == ns) v->note_source = c;
      if (p == voices[0]->monitor) v->monitor = static_cast<ug_voice_monitor*>(c);
    }
    for (ug_base* p : prototypes) copies[p]->WireClone(p, copies);
  }
}

// --- notes ---------------------------------------------------------------------------------

int ug_container::AllocateVoice(sample_clock time, int channel, int note, int velocity, int hint) {
  int chosen = -1;
  if (hint >= 0) {
    chosen = hint;
  } else if (!voices[0]->used) {
    // The first note after the start takes voice 0 (only while voice 0 never played: a
    // held note 0 is not cut).
    chosen = 0;
  } else {
    int earliest_release = -1;
    int earliest_start = -1;
    for (int i = VoiceCount() - 1; i >= 0; --i) {
      Voice* v = voices[i];
      // The same key still sounding in its release: cut it short. A suspended voice is
      // silent already and keeps its place as the first choice.
      if (v->channel == channel && v->note == note && !v->held && !v->retriggered &&
          !v->suspended && v->used)
        v->QuickRelease(time);
      if (!v->held &&
          (earliest_release < 0 || v->release_time < voices[earliest_release]->release_time))
        earliest_release = i;
      if (earliest_start < 0 || v->start_time < voices[earliest_start]->start_time)
        earliest_start = i;
    }
    chosen = earliest_release >= 0 ? earliest_release : earliest_start;
  }
  if (chosen >= VoiceCount()) chosen = 0;
  voices[chosen]->StartNote(time, channel, note, velocity);
  return chosen;
}

int ug_container::FindHeldVoice(int channel, int note) const {
  for (int i = VoiceCount() - 1; i >= 0; --i) {
    const Voice* v = voices[i];
    if (v->channel == channel && v->note == note && v->held && !v->pedal_pending) return i;
  }
  return -1;
}

void ug_container::ReleaseNote(sample_clock time, int channel, int note, int velocity) {
  if (note < 0) {
    for (Voice* v : voices) v->NoteOff(time);
    return;
  }
  const int i = FindHeldVoice(channel, note);
  if (i >= 0) voices[i]->NoteOff(time);
}

void ug_container::DeferRelease(int channel, int note) {
  const int i = FindHeldVoice(channel, note);
  if (i >= 0) voices[i]->pedal_pending = true;
}

void ug_container::ReleasePedal(sample_clock time, int channel) {
  for (Voice* v : voices)
    if (v->pedal_pending && v->channel == channel) v->NoteOff(time);
}

}  // namespace kv

namespace kv {

void ug_container::RegisterControl(ug_base* control, int controller, int parameter_number) {
  if (controller < 0 || controller > 127) return;
  const int list = (controller == 99 || controller == 101) ? 6 : controller;
  controls_by_cc[list].push_back({control, controller, parameter_number});
}

void ug_container::MoveControl(ug_base* control, int controller, int parameter_number) {
  for (auto& list : controls_by_cc)
    std::erase_if(list, [control](const FiledControl& f) { return f.control == control; });
  RegisterControl(control, controller, parameter_number);
}

void ug_container::DispatchController(sample_clock time, int controller, int rpn, int nrpn,
                                      int value) {
  if (controller < 0 || controller > 127) return;
  for (const FiledControl& f : controls_by_cc[controller]) {
    if (f.controller == 99 && f.parameter_number != nrpn) continue;
    if (f.controller == 101 && f.parameter_number != rpn) continue;
    f.control->AddEvent(time, UET_CONTROLLER, controller, value);
  }
}

}  // namespace kv
