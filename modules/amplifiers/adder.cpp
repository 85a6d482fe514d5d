#include "modules/amplifiers/adder.h"

#include <algorithm>

#include "engine/audio_master.h"
#include "modules/amplifiers/block_ops.h"

namespace kv {

void InputArray_Float::AddSource(UPlug* source) { inputs_.push_back({source, false, 0.0f}); }

void InputArray_Float::RemoveSource(UPlug* source) {
  for (auto it = inputs_.rbegin(); it != inputs_.rend(); ++it) {
    if (it->source == source) {
      inputs_.erase(std::next(it).base());
      return;
    }
  }
}

adder_input_info* InputArray_Float::Find(const UPlug* source) {
  for (auto it = inputs_.rbegin(); it != inputs_.rend(); ++it)
    if (it->source == source) return &*it;
  return nullptr;
}

void ug_adder::ListInterface(std::vector<InterfaceObject>& list) {
  list.emplace_back(nullptr, dt_volts, &out, DR_OUT, "", "Out", "0", "", 0);
  list.emplace_back(&sources_, dt_volts, nullptr, DR_IN, "", "In", "0", "",
                    IO_COLLECTOR | IO_NOT_VOICE_SENSITIVE);
}

void ug_adder::Open() {
  streams_.reserve(sources_.inputs().size());
  ug_base::Open();
  Rebuild(clock);
}

void ug_adder::OnPlugStateChange(sample_clock time, Connection* c, state_type state) {
  if (adder_input_info* s = sources_.Find(c->source)) {
    s->streaming = state == ST_RUN;
    if (!s->streaming && c->source->block()) {
      const sample_clock pos =
          std::clamp<sample_clock>(clock - master->block_start(), 0, BlockSize() - 1);
      s->value = c->source->block()->Read(static_cast<int>(pos));
    }
  }
  Rebuild(time);
}

void ug_adder::Rebuild(sample_clock time) {
  streams_.clear();
  float constant = 0.0f;
  const auto& in = sources_.inputs();
  for (auto it = in.rbegin(); it != in.rend(); ++it) {
    if (it->streaming && streams_.size() < streams_.capacity())
      streams_.push_back(it->source->samples());
    else
      constant += it->value;
  }
  constant_ = constant;
  if (streams_.empty()) {
    SetProcessFunction(&ug_adder::sub_process_constant);
    RunOneThenStatic();
    plugs[kOut]->TransmitState(time, ST_ONE_OFF);
    return;
  }
  if (streams_.size() > 1)
    SetProcessFunction(&ug_adder::sub_process_many);
  else if (constant_ != 0.0f)
    SetProcessFunction(&ug_adder::sub_process_one_plus_constant);
  else
    SetProcessFunction(&ug_adder::sub_process_one);
  plugs[kOut]->TransmitState(time, ST_RUN);
}

void ug_adder::sub_process_constant(int offset, int count) {
  std::fill_n(out + offset, count, constant_);
}

void ug_adder::sub_process_one(int offset, int count) {
  std::copy_n(streams_[0] + offset, count, out + offset);
}

void ug_adder::sub_process_one_plus_constant(int offset, int count) {
  block_ops::AddConstant(out + offset, streams_[0] + offset, constant_, count);
}

void ug_adder::sub_process_many(int offset, int count) {
  float* o = out + offset;
  if (constant_ != 0.0f)
    block_ops::AddConstant(o, streams_[0] + offset, constant_, count);
  else
    std::copy_n(streams_[0] + offset, count, o);
  for (std::size_t s = 1; s < streams_.size(); ++s) block_ops::Accumulate(o, streams_[s] + offset, count);
}

}  // namespace kv
