#include "engine/ug_base.h"

#include <algorithm>
#include <bit>
#include <stdexcept>
#include <typeinfo>

#include "engine/audio_master.h"
#include "engine/engine_host.h"

namespace kv {

ug_base::ug_base() = default;

ug_base::~ug_base() {
  while (ug_event* e = events.PopFront())
    if (master) master->event_pool().Release(e);
  if (master) master->Remove(this);
  for (auto it = plugs.rbegin(); it != plugs.rend(); ++it) delete *it;
  plugs.clear();
}

// --- events and processing ---------------------------------------------------------------

void ug_base::Process(int count) {
  const sample_clock end = clock + count;
  int offset = static_cast<int>(master->clock - master->block_start());
  int remaining = count;
  while (ug_event* e = events.front()) {
    const sample_clock n = e->time < end ? e->time - clock : remaining;
    if (n > 0) {  // n <= 0: due now or stale, handled before the next sample
      (this->*process_function)(offset, static_cast<int>(n));
      clock += n;
      remaining -= static_cast<int>(n);
      if (remaining == 0) return;
      offset += static_cast<int>(n);
    }
    events.Unlink(e);
    HandleEvent(e);
    master->event_pool().Release(e);
  }
  if (remaining > 0) (this->*process_function)(offset, remaining);
  clock = end;
}

void ug_base::HandleEvent(ug_event* e) {
  switch (e->type) {
    case UET_STAT_CHANGE: {
      Connection* c = e->connection();
      UPlug* d = c->destination;
      const auto s = static_cast<state_type>(e->arg1);
      d->state = s;
      d->ReceiveSnapshot(e->arg2, *c->source);
      OnPlugStateChange(std::max(e->time, clock), c, s);
      if (s == ST_ONE_OFF) d->state = ST_STOP;
      break;
    }
    case UET_RUN_FUNCTION:
      if (e->ptr && e->func) (static_cast<ug_base*>(e->ptr)->*(e->func))();
      break;
    case UET_UI_NOTIFY:
      if (e->arg1 == UIM_SET_PLUG_VALUE)
        ApplyPanelValue(e->arg3, e->arg2);
      else
        OnUiMessage(e->arg1, e->arg2);
      break;
    default:
      break;
  }
}

void ug_base::OnUiMessage(int32_t kind, int32_t argument) {
  if (kind != UIM_SEND_CHANGED_OUTPUTS) return;  // 0: debug hook, 6: nothing to do
  for (UPlug* p : plugs) {
    if (p->direction == DR_OUT && (p->flags & UPLUG_PANEL_CHANGED)) {
      p->TransmitState(clock, ST_ONE_OFF);
      p->flags &= ~UPLUG_PANEL_CHANGED;
    }
  }
}

void ug_base::ApplyPanelValue(int plug_index, int32_t bits) {
  if (plug_index < 0 || plug_index >= static_cast<int>(plugs.size())) return;
  UPlug* p = plugs[plug_index];
  switch (p->data_type) {
    case dt_volts:
      if (p->direction == DR_OUT && p->block()) p->block()->Fill(std::bit_cast<float>(bits));
      break;
    case dt_float:
    case dt_enum:
    case dt_bool:
      p->ReceiveSnapshot(bits, *p);
      for (Connection* c : p->connections)
        if (c->source == p) c->destination->CopyValueFrom(*p);
      break;
    default:
      return;
  }
  if (p->direction == DR_OUT) p->TransmitState(clock, ST_ONE_OFF);
}

bool ug_base::AddEvent(sample_clock time, int32_t type, int32_t arg1, int32_t arg2, void* ptr,
                       int32_t arg3) {
  return AddEvent(time, type, arg1, arg2, ptr, arg3, DefaultPriority(type));
}

bool ug_base::AddEvent(sample_clock time, int32_t type, int32_t arg1, int32_t arg2, void* ptr,
                       int32_t arg3, EventPriority priority) {
  ug_event* e = master->event_pool().Acquire(priority);
  if (!e) return false;
  e->time = time;
  e->type = type;
  e->arg1 = arg1;
  e->arg2 = arg2;
  e->arg3 = arg3;
  e->ptr = ptr;
  InsertEvent(e, true);
  return true;
}

bool ug_base::AddRunFunction(sample_clock time, ug_func fn) {
  ug_event* e = master->event_pool().Acquire(EventPriority::kEssential);
  if (!e) return false;
  e->time = time;
  e->type = UET_RUN_FUNCTION;
  e->ptr = this;
  e->func = fn;
  InsertEvent(e, true);
  return true;
}

bool ug_base::PostProgramChange(sample_clock time, int32_t program) {
  return AddEvent(time, UET_PROG_CHANGE, program);
}

void ug_base::PostStatChange(sample_clock time, Connection* c, state_type state) {
  if (flags & UGF_SUSPENDED) PruneStaleChanges(c, time);
  AddEvent(time, UET_STAT_CHANGE, state, c->source->Snapshot(), c);
}

// While suspended, a connection keeps at most one stale change (stamped before the
// current block) plus the current block's: a new stale change replaces the older ones,
// otherwise the newest stale one is kept.
void ug_base::PruneStaleChanges(Connection* c, sample_clock new_time) {
  const sample_clock limit = master->block_start();
  bool kept = new_time < limit;
  for (ug_event* e = events.back(); e;) {
    ug_event* prev = e->prev;
    if (e->type == UET_STAT_CHANGE && e->ptr == c && e->time < limit) {
      if (kept) {
        events.Unlink(e);
        master->event_pool().Release(e);
      }
      kept = true;
    }
    e = prev;
  }
}

// --- sleep and constant output -------------------------------------------------------------

bool ug_base::CanSleep() { return events.empty(); }

void ug_base::Sleep() {
  master->Remove(this);
  sleeping = true;
}

void ug_base::sub_process_sleep(int offset, int count) {
  if (!sleeping && events.empty() && CanSleep()) Sleep();
}

void ug_base::ResetStaticOutput() { static_countdown = master->block_size(); }

void ug_base::sub_process_static(int offset, int count) {
  const int bs = master->block_size();
  const int n = std::min(count, static_countdown);
  if (n > 0) {
    for (UPlug* p : plugs) {
      if (p->data_type != dt_volts || p->direction != DR_OUT || !p->block()) continue;
      float* s = p->samples();
      const float v = offset > 0 ? s[offset - 1] : s[bs - 1];
      for (int i = 0; i < n; ++i) s[offset + i] = v;
    }
  }
  static_countdown -= n;
  if (static_countdown <= 0) {
    process_function = &ug_base::sub_process_sleep;
    if (count > n) sub_process_sleep(offset + n, count - n);
  }
}

void ug_base::sub_process_look_ahead(int offset, int count) {
  (this->*saved_process_function)(offset, 1);
  process_function = &ug_base::sub_process_static;
  if (count > 1) sub_process_static(offset + 1, count - 1);
}

void ug_base::RunOneThenStatic() {
  if (process_function != &ug_base::sub_process_look_ahead &&
      process_function != &ug_base::sub_process_static &&
      process_function != &ug_base::sub_process_sleep)
    saved_process_function = process_function;
  if (!saved_process_function) saved_process_function = &ug_base::sub_process_nothing;
  static_countdown = master->block_size();
  process_function = &ug_base::sub_process_look_ahead;
}

// --- suspension ------------------------------------------------------------------------

void ug_base::Suspend() {
  if (flags & UGF_NEVER_SUSPEND) return;
  master->Remove(this);
  flags |= UGF_SUSPENDED;
}

void ug_base::Resume() {
  if (!(flags & UGF_SUSPENDED)) return;
  const sample_clock now = master->clock;
  for (ug_event* e = events.front(); e && e->time < now; e = e->next) e->time = now;
  clock = std::max(clock, now);
  flags &= ~UGF_SUSPENDED;
  if (!sleeping)
    master->Insert(this);
  else if (!events.empty())
    Wake();
  if (static_countdown > 0) static_countdown = master->block_size();
}

// --- lifecycle -------------------------------------------------------------------------

int ug_base::EventReserve() const {
  int inputs = 0;
  for (const UPlug* p : plugs)
    for (const Connection* c : p->connections)
      if (c->destination == p) ++inputs;
  return 8 + 4 * inputs;
}

void ug_base::Open() {
  master->event_pool().Reserve(EventReserve());
  static_countdown = master->block_size();
  if (!sleeping) master->Insert(this);
  for (UPlug* p : plugs)
    if (p->target && p->data_type == dt_volts) *p->target = p->samples();
  for (UPlug* p : plugs) {
    if (p->direction != DR_IN && p->direction != DR_PARAMETER) continue;
    for (Connection* c : p->connections) {
      if (c->destination != p) continue;
      PostStatChange(clock, c, std::max(c->source->state, ST_ONE_OFF));
      if (p->data_type != dt_volts && p->data_type != dt_midi) p->CopyValueFrom(*c->source);
    }
  }
  flags |= UGF_OPEN;
}

void ug_base::Close() { flags &= ~UGF_OPEN; }

void ug_base::SetupPlugs() {
  audio_in_count = audio_out_count = 0;
  for (UPlug* p : plugs) {
    if (p->data_type != dt_volts) continue;
    if (p->direction == DR_OUT || p->direction == DR_CONTAINER_IO) {
      if (!p->block()) p->CreateIoVariable();
      if (p->direction == DR_OUT) ++audio_out_count;
    } else {
      if (!p->value_slot && master) p->value_slot = master->zero_block();
      if (p->direction == DR_IN) ++audio_in_count;
    }
  }
}

int ug_base::AddPlug(UPlug* plug) {
  plug->owner = this;
  plug->index_ = static_cast<int>(plugs.size());
  plugs.push_back(plug);
  return plug->index_;
}

void ug_base::BuildPlugsFromDeclarations() {
  std::vector<InterfaceObject> decls;
  ListInterface(decls);
  for (const InterfaceObject& d : decls) {
    if (d.flags & (kDeclFeature | kDeclAutoDuplicate | kDeclPlugsFromDocument)) continue;
    AddPlug(new UPlug(this, d));
  }
  SetupPlugs();
}

UPlug* ug_base::GetPlug(int index) const {
  if (index < 0 || index >= static_cast<int>(plugs.size()))
    throw std::out_of_range("plug index out of range");
  return plugs[index];
}

UPlug* ug_base::GetPlug(std::string_view declared_name) {
  std::vector<InterfaceObject> decls;
  ListInterface(decls);
  // Plugs follow the declarations they were made from, skipping those that make none.
  std::size_t plug_index = 0;
  for (const InterfaceObject& d : decls) {
    if (d.flags & kDeclFeature) continue;
    if (d.name == declared_name) return plug_index < plugs.size() ? plugs[plug_index] : nullptr;
    ++plug_index;
  }
  return nullptr;
}

float ug_base::PlugValue(int index) const {
  const UPlug* p = GetPlug(index);
  if (!p->block()) return 0.0f;
  const int bs = master->block_size();
  const sample_clock pos = std::clamp<sample_clock>(clock - master->block_start(), 0, bs - 1);
  return p->block()->Read(static_cast<int>(pos));
}

int ug_base::BlockSize() const { return master->block_size(); }
float ug_base::SampleRate() const { return master->sample_rate(); }

// --- cloning and voices ----------------------------------------------------------------

ug_base* ug_base::Clone() {
  ug_base* copy = CreateObject();
  copy->clone_link = clone_link;
  clone_link = copy;
  copy->document_module = document_module;
  copy->sort_order = sort_order;
  copy->container = container;
  copy->patch_context = patch_context;
  copy->master = master;
  copy->clock = master ? master->clock : 0;
  std::vector<InterfaceObject> decls;
  copy->ListInterface(decls);
  for (const InterfaceObject& d : decls) {
    if (d.flags & (kDeclFeature | kDeclAutoDuplicate | kDeclPlugsFromDocument)) continue;
    copy->AddPlug(new UPlug(copy, d));
  }
  for (std::size_t i = copy->plugs.size(); i < plugs.size(); ++i) {
    auto* p = new UPlug(copy, plugs[i]->direction, plugs[i]->data_type);
    p->flags = plugs[i]->flags & ~UPLUG_OWNS_IO;
    if (p->data_type != dt_volts) p->CreateIoVariable();
    copy->AddPlug(p);
  }
  copy->SetupPlugs();
  copy->flags = (flags & ~(UGF_SUSPENDED | UGF_OPEN)) | UGF_CLONE;
  return copy;
}

void ug_base::WireClone(ug_base* prototype, const CloneMap& copies) {
  const std::size_t n = std::min(prototype->plugs.size(), plugs.size());
  for (std::size_t i = 0; i < n; ++i) {
    UPlug* proto_plug = prototype->plugs[i];
    // Connecting may add records to the prototype's plug (through proxies): walk a copy.
    const std::vector<Connection*> conns = proto_plug->connections;
    for (Connection* c : conns) {
      if (c->source == proto_plug) {
        UPlug* dest = c->destination;
        auto it = copies.find(dest->owner);
        UPlug* to = (it != copies.end() && dest->index() >= 0 &&
                     dest->index() < static_cast<int>(it->second->plugs.size()))
                        ? it->second->plugs[dest->index()]
                        : dest;
        UPlug::Connect(plugs[i], to);
      } else if (!(c->source->owner->flags & UGF_VOICE_DEPENDENT)) {
        UPlug::Connect(c->source, plugs[i]);
      }
    }
  }
}

bool ug_base::IsVoiceInputActive() {
  for (const UPlug* p : plugs)
    if (p->direction == DR_IN && (p->flags & UPLUG_VOICE_FED) && (p->flags & UPLUG_VOICE_SENSITIVE))
      return true;
  return false;
}

void ug_base::MarkVoiceDownstream() {
  if (flags & (UGF_VOICE_MARKED_DOWN | UGF_NEVER_VOICE)) return;
  flags |= UGF_VOICE_MARKED_DOWN;
  for (UPlug* p : plugs) {
    if (p->direction != DR_OUT) continue;
    for (Connection* c : p->connections) {
      if (c->source != p) continue;
      c->destination->flags |= UPLUG_VOICE_FED;
      c->destination->owner->MarkVoiceDownstream();
    }
  }
}

void ug_base::MarkVoiceUpstream() {
  if (!(flags & UGF_VOICE_MARKED_DOWN) || (flags & UGF_VOICE_MARKED_UP)) return;
  flags |= UGF_VOICE_MARKED_UP;
  for (UPlug* p : plugs) {
    if (p->direction != DR_IN) continue;
    for (Connection* c : p->connections)
      if (c->destination == p) c->source->owner->MarkVoiceUpstream();
  }
}

void ug_base::TagVoiceSourceDownstream(int id) {
  if (voice_tag == 0 || voice_tag == id || (flags & UGF_NEVER_VOICE)) return;
  voice_tag = voice_tag < 0 ? id : 0;
  for (UPlug* p : plugs) {
    if (p->direction != DR_OUT) continue;
    for (Connection* c : p->connections)
      if (c->source == p) c->destination->owner->TagVoiceSourceDownstream(id);
  }
}

void ug_base::TagVoiceSourceUpstream(int id) {
  if (voice_tag == 0 || voice_tag == id || (flags & UGF_NEVER_VOICE)) return;
  voice_tag = voice_tag < 0 ? id : 0;
  for (UPlug* p : plugs) {
    if (p->direction != DR_IN || p->data_type == dt_midi) continue;
    for (Connection* c : p->connections)
      if (c->destination == p) c->source->owner->TagVoiceSourceUpstream(id);
  }
}

// --- messages to the user-interface thread ---------------------------------------------

void ug_base::PostMessage(std::string_view text) {
  EngineHost* host = master ? master->host() : nullptr;
  if (!host) return;
  ModuleMessage m;
  m.module = document_module;
  m.sender_type = &typeid(*this);
  m.SetText(text);
  host->QueueModuleMessage(m);
}

void ug_base::RequestDocumentRefresh() {
  EngineHost* host = master ? master->host() : nullptr;
  if (host && document_module) host->QueueDocumentRefresh(document_module);
}

}  // namespace kv
