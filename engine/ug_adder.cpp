#include "engine/ug_adder.h"

#include <algorithm>

#include "engine/audio_master.h"

namespace kv {

void InputArrayFloat::RemoveSource(UPlug* source) {
  for (auto it = sources.rbegin(); it != sources.rend(); ++it) {
    if (it->plug == source) {
      sources.erase(std::next(it).base());
      return;
    }
  }
}

InputArrayFloat::Source* InputArrayFloat::Find(const UPlug* source) {
  for (auto it = sources.rbegin(); it != sources.rend(); ++it)
    if (it->plug == source) return &*it;
  return nullptr;
}

ug_adder::ug_adder() { SetProcessFunction(&ug_adder::sub_process_sleep); }

void ug_adder::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(VoltsOut(&out_, "Out").Default("0"));
  list.push_back(CollectorIn(dt_volts, &inputs_, "In").Default("0").Flags(kDeclNotVoiceSensitive));
}

void ug_adder::Open() {
  streaming_.reserve(inputs_.sources.size());
  ug_base::Open();
}

InputArrayFloat::Source* ug_adder::NoteSourceState(Connection* c, state_type state) {
  InputArrayFloat::Source* s = inputs_.Find(c->source);
  if (!s) return nullptr;
  s->state = state;
  if (state != ST_RUN && c->source->block()) {
    const sample_clock pos =
        std::clamp<sample_clock>(clock - master->block_start(), 0, master->block_size() - 1);
    s->value = c->source->block()->Read(static_cast<int>(pos));
  }
  return s;
}

void ug_adder::OnPlugStateChange(sample_clock time, Connection* c, state_type state) {
  NoteSourceState(c, state);
  Rebuild(time);
}

void ug_adder::Rebuild(sample_clock time) {
  streaming_.clear();
  constant_ = 0.0f;
  for (auto it = inputs_.sources.rbegin(); it != inputs_.sources.rend(); ++it) {
    if (it->state == ST_RUN && it->plug->samples())
      streaming_.push_back(it->plug->samples());
    else
      constant_ += it->value;
  }
  if (streaming_.empty()) {
    SetProcessFunction(&ug_adder::WriteConstant);
    RunOneThenStatic();
    plugs[kOut]->TransmitState(time, ST_ONE_OFF);
  } else {
    SetProcessFunction(&ug_adder::SumStreaming);
    plugs[kOut]->TransmitState(time, ST_RUN);
  }
}

void ug_adder::WriteConstant(int offset, int count) {
  std::fill_n(out_ + offset, count, constant_);
}

void ug_adder::SumStreaming(int offset, int count) {
  float* o = out_ + offset;
  const float* first = streaming_[0] + offset;
  if (constant_ != 0.0f) {
    for (int i = 0; i < count; ++i) o[i] = first[i] + constant_;
  } else {
    std::copy_n(first, count, o);
  }
  for (std::size_t k = 1; k < streaming_.size(); ++k) {
    const float* s = streaming_[k] + offset;
    for (int i = 0; i < count; ++i) o[i] += s[i];
  }
}

// --- MIDI adder --------------------------------------------------------------------------

ug_adder_midi::ug_adder_midi() { SetProcessFunction(&ug_adder_midi::sub_process_sleep); }

void ug_adder_midi::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(MidiOut(&out, "Out"));
  list.push_back(CollectorIn(dt_midi, &in, "In"));
}

void ug_adder_midi::Process(int count) {
  bool merged = false;
  for (;;) {
    int pick = -1;
    sample_clock best = 0;
    // Last-connected first with a strict comparison: on equal times it wins.
    for (int i = in.size() - 1; i >= 0; --i) {
      if (in[i].empty()) continue;
      const sample_clock t = in[i].Peek().time;
      if (pick < 0 || t < best) {
        pick = i;
        best = t;
      }
    }
    if (pick < 0) break;
    // A full output keeps the record where it is (nothing unread is overwritten).
    if (out.Unread() >= MidiOutput::kCapacity) break;
    out.Push(in[pick].Pop());
    merged = true;
  }
  if (merged) {
    WakeDestinations(plugs[kOut]);
  }
  ug_base::Process(count);
}

}  // namespace kv
