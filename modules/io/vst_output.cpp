#include "modules/io/vst_output.h"

#include <algorithm>

#include "engine/audio_master.h"
#include "modules/io/host_io_port.h"

namespace kv {

ug_vst_out::ug_vst_out() {
  flags |= UGF_NEVER_VOICE;
  SetProcessFunction(&ug_vst_out::sub_process);
}

void ug_vst_out::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(MidiIn(&midi_in, "MIDI In").Default("0").Help("MIDI to the host"));
  list.push_back(VoltsIn(nullptr, "Audio")
                     .Default("0")
                     .Flags(kDeclAutoDuplicate | kDeclPlugsFromDocument | kDeclNotVoiceSensitive)
                     .Help("Audio to the host"));
}

void ug_vst_out::Open() {
  audio_.clear();
  for (UPlug* p : plugs)
    if (p->data_type == dt_volts && p->direction == DR_IN) audio_.push_back(p);
  write_count_ = 0;
  ug_base::Open();
  if (auto* port = dynamic_cast<HostIoPort*>(master->host())) attached_ = port->AttachHostOutput(this);
}

void ug_vst_out::Close() {
  if (attached_)
    if (auto* port = dynamic_cast<HostIoPort*>(master->host())) port->DetachHostOutput(this);
  attached_ = false;
  ug_base::Close();
}

void ug_vst_out::SetHostOutputs(float* const* channels, int count, bool replacing) {
  write_count_ = channels ? std::clamp(count, 0, kMaxHostChannels) : 0;
  for (int i = 0; i < write_count_; ++i) write_[i] = channels[i];
  replacing_ = replacing;
}

void ug_vst_out::sub_process(int offset, int count) {
  for (int i = 0; i < write_count_; ++i) {
    float* out = write_[i];
    if (!out) continue;
    write_[i] = out + count;
    const float* in = i < static_cast<int>(audio_.size()) ? audio_[i]->samples() : nullptr;
    if (!in) {
      if (replacing_) std::fill(out, out + count, 0.0f);
      continue;
    }
    in += offset;
    if (replacing_)
      std::copy(in, in + count, out);
    else
      for (int k = 0; k < count; ++k) out[k] += in[k];
  }
}

}  // namespace kv
