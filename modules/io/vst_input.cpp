#include "modules/io/vst_input.h"

#include <algorithm>

#include "engine/audio_master.h"
#include "modules/io/host_io_port.h"

namespace kv {

ug_vst_in::ug_vst_in() { SetProcessFunction(&ug_vst_in::sub_process); }

void ug_vst_in::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(MidiOut(&midi_out, "MIDI Out").Default("0").Help("MIDI from the host"));
  list.push_back(VoltsOut(nullptr, "Audio").Flags(kDeclAutoDuplicate).Help("Audio from the host"));
}

void ug_vst_in::Open() {
  audio_.clear();
  for (UPlug* p : plugs)
    if (p->data_type == dt_volts && p->direction == DR_OUT) audio_.push_back(p);
  read_.assign(audio_.size(), nullptr);
  ug_base::Open();
  if (auto* port = dynamic_cast<HostIoPort*>(master->host())) attached_ = port->AttachHostInput(this);
  for (UPlug* p : audio_) p->TransmitState(clock, ST_RUN);
}

void ug_vst_in::Close() {
  if (attached_)
    if (auto* port = dynamic_cast<HostIoPort*>(master->host())) port->DetachHostInput(this);
  attached_ = false;
  ug_base::Close();
}

void ug_vst_in::SetHostInputs(const float* const* channels, int count) {
  for (std::size_t i = 0; i < read_.size(); ++i)
    read_[i] = channels && static_cast<int>(i) < count ? channels[i] : nullptr;
}

bool ug_vst_in::PushHostMidi(sample_clock time, int32_t message) { return midi_out.Push(time, message); }

void ug_vst_in::FinishHostMidi() {
  if (!plugs.empty()) WakeDestinations(plugs[0]);
}

void ug_vst_in::sub_process(int offset, int count) {
  for (std::size_t i = 0; i < audio_.size(); ++i) {
    float* out = audio_[i]->samples() + offset;
    if (const float* in = read_[i]) {
      std::copy(in, in + count, out);
      read_[i] = in + count;
    } else {
      std::fill(out, out + count, 0.0f);
    }
  }
}

}  // namespace kv
