#include "engine/plug.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>

#include "engine/audio_master.h"
#include "engine/interface_object.h"
#include "engine/midi_transport.h"
#include "engine/ug_base.h"

namespace kv {

double ParseNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  double v = 0.0;
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // from_chars leaves v alone on overflow; atof would give +-inf or 0.
    return 0.0;
  }
  if (ptr == first) return 0.0;
  return negative ? -v : v;
}

UPlug::UPlug(ug_base* owner_, int32_t direction_, int32_t data_type_)
    : owner(owner_), direction(direction_), data_type(data_type_) {}

UPlug::UPlug(ug_base* owner_, const InterfaceObject& d)
    : target(d.buffer_target), owner(owner_), io(d.io_variable), direction(d.direction),
      data_type(d.datatype) {
  if (!(d.flags & kDeclNotVoiceSensitive)) flags |= UPLUG_VOICE_SENSITIVE;
  if (d.flags & kDeclCollector) flags |= UPLUG_COLLECTOR;
  if (!io && data_type != dt_volts) CreateIoVariable();
}

UPlug::~UPlug() {
  // When this plug is a dying collector input, its collector (a member of the unit
  // generator being destroyed) is already gone: do not tell it.
  while (!connections.empty()) DisconnectRecord(connections.back(), connections.back()->destination != this);
}

void UPlug::CreateIoVariable() {
  switch (data_type) {
    case dt_enum: io = &own_scalar_.e; break;
    case dt_bool: io = &own_scalar_.b; break;
    case dt_float: io = &own_scalar_.f; break;
    case dt_double: io = &own_scalar_.d; break;
    case dt_text:
      own_text_ = std::make_unique<TextValue>();
      io = own_text_.get();
      break;
    case dt_volts:
      if ((direction == DR_OUT || direction == DR_CONTAINER_IO) && owner && owner->master) {
        own_block_ = std::make_unique<USampBlock>(owner->master->block_size());
        value_slot = own_block_.get();
      }
      break;
    case dt_midi:
      if (direction == DR_OUT || direction == DR_CONTAINER_IO) {
        own_midi_out_ = std::make_unique<MidiOutput>();
        io = own_midi_out_.get();
      } else {
        own_midi_in_ = std::make_unique<MidiInput>();
        io = own_midi_in_.get();
      }
      break;
    default:
      return;
  }
  flags |= UPLUG_OWNS_IO;
}

bool UPlug::HasSource() const {
  for (const Connection* c : connections)
    if (c->destination == this) return true;
  return false;
}

UPlug* UPlug::EndOfProxyChain() {
  UPlug* p = this;
  for (int guard = 0; p->proxy && guard < 1000; ++guard) p = p->proxy;
  return p;
}

// Rules of transmission:
//  - a state equal to the plug's state is not sent again, except ST_ONE_OFF;
//  - an audio plug does not send a second ST_ONE_OFF in the same sample while it is not
//    streaming (its block already holds the value);
//  - after a one-off the plug's state is ST_STOP.
void UPlug::TransmitState(sample_clock time, state_type s) {
  if (s == state && s != ST_ONE_OFF) return;
  if (data_type == dt_volts && s == ST_ONE_OFF && time == one_off_time && state < ST_RUN) return;
  state = s;
  for (Connection* c : connections)
    if (c->source == this) c->destination->owner->PostStatChange(time, c, s);
  if (s == ST_ONE_OFF) {
    one_off_time = time;
    state = ST_STOP;
  } else {
    one_off_time = kNoOneOff;
  }
}

Connection* UPlug::Connect(UPlug* source, UPlug* destination) {
  if (!source || !destination) return nullptr;
  source = source->EndOfProxyChain();
  destination = destination->EndOfProxyChain();
  const bool collector = (destination->flags & UPLUG_COLLECTOR) != 0;
  if (!collector && destination->HasSource()) return nullptr;
  auto* c = new Connection(source, destination);
  source->connections.push_back(c);
  destination->connections.push_back(c);
  if (collector) {
    if (destination->io) static_cast<Collector*>(destination->io)->AddSource(source);
  } else if (destination->data_type == dt_volts) {
    destination->value_slot = source->value_slot;
  } else if (destination->data_type == dt_midi) {
    if (destination->io && (destination->direction == DR_IN || destination->direction == DR_PARAMETER))
      static_cast<MidiInput*>(destination->io)->Attach(MidiOutputOf(source));
  } else if (destination->data_type != dt_midi && destination->io && source->io) {
    destination->CopyValueFrom(*source);
  }
  if (destination->data_type != dt_midi && destination->direction != DR_PARAMETER &&
      source->state < ST_ONE_OFF)
    source->state = ST_ONE_OFF;
  return c;
}

void UPlug::Disconnect(Connection* c) { DisconnectRecord(c, true); }

void UPlug::DisconnectRecord(Connection* c, bool tell_collector) {
  if (!c) return;
  UPlug* s = c->source;
  UPlug* d = c->destination;
  std::erase(s->connections, c);
  std::erase(d->connections, c);
  // `tell_collector` is false when the destination plug is the one being destroyed: its
  // io variable (often a member of its dying unit generator) is gone already.
  if (d->flags & UPLUG_COLLECTOR) {
    if (d->io && tell_collector) static_cast<Collector*>(d->io)->RemoveSource(s);
  } else if (d->data_type == dt_volts && d->direction != DR_OUT) {
    if (d->own_block_)
      d->value_slot = d->own_block_.get();
    else
      d->value_slot = d->owner && d->owner->master ? d->owner->master->zero_block() : nullptr;
  } else if (d->data_type == dt_midi && tell_collector && d->io &&
             (d->direction == DR_IN || d->direction == DR_PARAMETER)) {
    static_cast<MidiInput*>(d->io)->Detach();
  }
  // Pending changes of this connection would point at a deleted record.
  if (ug_base* o = d->owner) {
    for (ug_event* e = o->events.front(); e;) {
      ug_event* next = e->next;
      if (e->type == UET_STAT_CHANGE && e->ptr == c) {
        o->events.Unlink(e);
        if (o->master) o->master->event_pool().Release(e);
      }
      e = next;
    }
  }
  delete c;
}

void UPlug::CopyValueFrom(const UPlug& src) {
  if (!io || !src.io) return;
  switch (data_type) {
    case dt_enum: io_as<int16_t>() = src.io_as<int16_t>(); break;
    case dt_bool: io_as<uint8_t>() = src.io_as<uint8_t>() ? 1 : 0; break;
    case dt_float: io_as<float>() = src.io_as<float>(); break;
    case dt_double: io_as<double>() = src.io_as<double>(); break;
    case dt_text: io_as<TextValue>().Assign(src.io_as<TextValue>().str()); break;
    default: break;
  }
}

int32_t UPlug::Snapshot() const {
  if (!io) return 0;
  switch (data_type) {
    case dt_enum: return static_cast<int32_t>(io_as<int16_t>());
    case dt_bool: return static_cast<int32_t>(io_as<uint8_t>());
    case dt_float: return std::bit_cast<int32_t>(io_as<float>());
    default: return 0;
  }
}

void UPlug::ReceiveSnapshot(int32_t snapshot, const UPlug& src) {
  if (!io) return;
  switch (data_type) {
    case dt_enum: io_as<int16_t>() = static_cast<int16_t>(snapshot); break;
    case dt_bool: io_as<uint8_t>() = snapshot != 0 ? 1 : 0; break;
    case dt_float: io_as<float>() = std::bit_cast<float>(snapshot); break;
    case dt_double:
    case dt_text: CopyValueFrom(src); break;
    default: break;
  }
}

bool UPlug::SetStoredValueFromText(std::string_view text) {
  const double v = ParseNumber(text);
  switch (data_type) {
    case dt_volts: {
      const float f = static_cast<float>(v * 0.1);
      if (block()) block()->Fill(f);
      return true;
    }
    case dt_enum:
      if (io) io_as<int16_t>() = static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
      return io != nullptr;
    case dt_bool:
      if (io) io_as<uint8_t>() = v != 0.0 ? 1 : 0;
      return io != nullptr;
    case dt_float:
      if (io) io_as<float>() = static_cast<float>(v);
      return io != nullptr;
    case dt_double:
      if (io) io_as<double>() = v;
      return io != nullptr;
    case dt_text:
      if (io) io_as<TextValue>().Assign(text);
      return io != nullptr;
    default:
      return false;
  }
}

// The 32 bits a panel message carries for a value of this plug's datatype; false for
// datatypes that do not fit (text, double).
static bool ValueBits(int32_t data_type, std::string_view text, int32_t& bits) {
  const double v = ParseNumber(text);
  switch (data_type) {
    case dt_volts: bits = std::bit_cast<int32_t>(static_cast<float>(v * 0.1)); return true;
    case dt_float: bits = std::bit_cast<int32_t>(static_cast<float>(v)); return true;
    case dt_enum: bits = static_cast<int32_t>(std::clamp(v, -32768.0, 32767.0)); return true;
    case dt_bool: bits = v != 0.0 ? 1 : 0; return true;
    default: return false;
  }
}

bool UPlug::SetValueFromText(std::string_view text) {
  if (data_type == dt_midi) return false;
  KvAudioMaster* m = owner ? owner->master : nullptr;
  if (direction == DR_OUT) {
    if (data_type != dt_volts) return false;
    if (m && m->running()) {
      // The block is filled on the audio thread, never under a running module's feet.
      int32_t bits = 0;
      ValueBits(data_type, text, bits);
      return m->PostPlugValue(owner, index_, bits);
    }
    SetStoredValueFromText(text);
    flags |= UPLUG_PANEL_CHANGED;
    return m ? m->PostUiMessage(owner, UIM_SEND_CHANGED_OUTPUTS, 0) : true;
  }
  if (linked && linked->proxy) return linked->proxy->SetValueFromText(text);
  for (Connection* c : connections) {
    if (c->destination != this) continue;
    // Only the parameter made for this plug takes document values; a real source keeps
    // driving the input.
    auto* p = dynamic_cast<UParameter*>(c->source);
    return p ? p->SetValueFromText(text) : false;
  }
  // A new parameter is structure: only while the engine is not running.
  if (!m || m->running() || !owner || !owner->container) return false;
  ug_base* io_module = owner->container->GetIoModule();
  if (!io_module) return false;
  auto* p = new UParameter(io_module, data_type, nullptr);
  io_module->AddPlug(p);
  p->SetStoredValueFromText(text);
  if (!Connect(p, this)) return false;
  return true;
}

UParameter::UParameter(ug_base* owner_, int32_t data_type_, const InterfaceObject* declaration)
    : UPlug(owner_, DR_OUT, data_type_), declaration_(declaration) {
  CreateIoVariable();
}

bool UParameter::SetValueFromText(std::string_view text) {
  KvAudioMaster* m = owner ? owner->master : nullptr;
  if (m && m->running()) {
    int32_t bits = 0;
    if (!ValueBits(data_type, text, bits)) return false;  // text and double: not while running
    return m->PostPlugValue(owner, index(), bits);
  }
  if (!SetStoredValueFromText(text)) return false;
  for (Connection* c : connections)
    if (c->source == this && c->destination->data_type != dt_volts) c->destination->CopyValueFrom(*this);
  flags |= UPLUG_PANEL_CHANGED;
  return m ? m->PostUiMessage(owner, UIM_SEND_CHANGED_OUTPUTS, 0) : true;
}

}  // namespace kv
