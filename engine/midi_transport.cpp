#include "engine/midi_transport.h"

#include <algorithm>

#include "engine/ug_base.h"

namespace kv {

MidiOutput::~MidiOutput() {
  for (MidiInput* r : readers_) r->source_ = nullptr;
}

int MidiOutput::Unread() const {
  uint64_t slowest = written_;
  for (const MidiInput* r : readers_) slowest = std::min(slowest, r->cursor_);
  return static_cast<int>(written_ - slowest);
}

bool MidiOutput::Push(const MidiEvent& e) {
  if (Unread() >= kCapacity) {
    ++dropped_;
    return false;
  }
  slots_[written_ % kCapacity] = e;
  slots_[written_ % kCapacity].reserved = 0;
  ++written_;
  return true;
}

void MidiInput::Attach(MidiOutput* source) {
  Detach();
  if (!source) return;
  source_ = source;
  cursor_ = source->written_;
  source->readers_.push_back(this);
}

void MidiInput::Detach() {
  if (!source_) return;
  std::erase(source_->readers_, this);
  source_ = nullptr;
  cursor_ = 0;
}

MidiInputArray::~MidiInputArray() {
  for (Entry& e : inputs_) delete e.input;
}

void MidiInputArray::AddSource(UPlug* source) {
  auto* in = new MidiInput;
  in->Attach(MidiOutputOf(source));
  inputs_.push_back({source, in});
}

void MidiInputArray::RemoveSource(UPlug* source) {
  for (auto it = inputs_.rbegin(); it != inputs_.rend(); ++it) {
    if (it->source == source) {
      delete it->input;
      inputs_.erase(std::next(it).base());
      return;
    }
  }
}

MidiOutput* MidiOutputOf(const UPlug* plug) {
  if (!plug || plug->data_type != dt_midi) return nullptr;
  if (plug->direction != DR_OUT && plug->direction != DR_CONTAINER_IO) return nullptr;
  return static_cast<MidiOutput*>(plug->io);
}

void WakeDestinations(UPlug* plug) {
  for (Connection* c : plug->connections)
    if (c->source == plug) c->destination->owner->Wake();
}

bool SendMidi(UPlug* plug, sample_clock time, int32_t message) {
  MidiOutput* out = MidiOutputOf(plug);
  if (!out || !out->Push(time, message)) return false;
  WakeDestinations(plug);
  return true;
}

}  // namespace kv
