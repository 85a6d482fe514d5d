#include "modules/midi/midi_automator.h"

#include <algorithm>
#include <cmath>

#include "engine/ug_container.h"
#include "modules/midi/controller_names.h"

namespace kv {

ug_midi_automator::ug_midi_automator() { flags |= UGF_SORT_FIRST; }

void ug_midi_automator::ListInterface(std::vector<InterfaceObject>& list) {
  ListChannel(list, "MIDI Channel selection");
  ListMidiIn(list, "Use this to automate the controls from a MIDI sequence");
  list.push_back(MidiOut(&midi_out, "MIDI Out")
                     .Help("Sends MIDI controller messages when control is changed"));
  list.push_back(MidiOut(&hidden_out, "Hidden Output")
                     .Default("0")
                     .Flags(kDeclUnlisted)
                     .Help("Allows routing setup to position this ug correctly in sortorder"));
}

void ug_midi_automator::Open() {
  if (auto* box = dynamic_cast<ug_container*>(container); box && !box->automator)
    box->automator = this;
  rpn_ = nrpn_ = -1;
  cells_.fill(0);
  ug_midi_device::Open();
}

void ug_midi_automator::OnMidiData(sample_clock time, int32_t message) {
  if ((message & 0xF0) != 0xB0) return;
  const int c = (message >> 8) & 0x7F;
  const int d = (message >> 16) & 0x7F;
  int controller = c;
  int value;
  if (c < 32) {
    cells_[c] = static_cast<uint16_t>((cells_[c] & 0x7F) | (d << 7));
    value = cells_[c];
  } else if (c < 64) {
    controller = c - 32;
    cells_[controller] = static_cast<uint16_t>((cells_[controller] & 0x3F80) | d);
    value = cells_[controller];
  } else if (c == 98 || c == 99) {
    const int n = std::max(nrpn_, 0);
    nrpn_ = c == 99 ? ((n & 0x7F) | (d << 7)) : ((n & 0x3F80) | d);
    rpn_ = -1;
    return;
  } else if (c == 100 || c == 101) {
    const int n = std::max(rpn_, 0);
    rpn_ = c == 101 ? ((n & 0x7F) | (d << 7)) : ((n & 0x3F80) | d);
    nrpn_ = -1;
    return;
  } else {
    value = d * 128;
  }
  value = std::min(value, 16256);
  if (auto* box = dynamic_cast<ug_container*>(container))
    box->DispatchController(time, controller, rpn_, nrpn_, value);
}

void ug_midi_automator::ReportControl(sample_clock time, int controller, int parameter_number,
                                      float value) {
  ug_midi_automator_out* out = companion_;
  if (!out) {
    // Not linked by the builder: the container's automator output, if it has one.
    auto* box = dynamic_cast<ug_container*>(container);
    out = box ? dynamic_cast<ug_midi_automator_out*>(box->automator_out) : nullptr;
  }
  if (out) out->Send(time, value, controller, parameter_number);
}

ug_midi_automator_out::ug_midi_automator_out() {
  SetProcessFunction(&ug_midi_automator_out::sub_process_sleep);
}

void ug_midi_automator_out::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(EnumIn(&channel, "Channel", midi::kChannelList)
                     .Default("0")
                     .Flags(kDeclAudioInput | kDeclReserved)
                     .Help("MIDI Channel selection"));
  list.push_back(MidiIn(&hidden_in, "Hidden Input").Default("0"));
  list.push_back(MidiOut(&midi_out, "MIDI Out"));
}

void ug_midi_automator_out::Open() {
  if (auto* box = dynamic_cast<ug_container*>(container); box && !box->automator_out)
    box->automator_out = this;
  last_sent_ = INT64_MIN;
  ug_base::Open();
}

void ug_midi_automator_out::Process(int count) {
  // The hidden input only places this module in the sort order; its records are dropped.
  while (!hidden_in.empty()) hidden_in.Pop();
  ug_base::Process(count);
}

void ug_midi_automator_out::Send(sample_clock time, float x, int c, int p) {
  UPlug* out = plugs.size() > kMidiOut ? plugs[kMidiOut] : nullptr;
  if (c < 0 || c > 127 || !out || !(flags & UGF_OPEN)) return;
  bool connected = false;
  for (const Connection* k : out->connections) connected = connected || k->source == out;
  if (!connected || time < last_sent_ || time < clock) return;
  last_sent_ = time;
  const int n = std::max<int>(channel, 0) & 0x0F;
  const int cc = 0xB0 | n;
  const double scaled = static_cast<double>(std::clamp(std::isnan(x) ? 0.0f : x, 0.0f, 1.0f));
  const int v = static_cast<int>(scaled * 16256.0 + 0.5);
  if (c == 99 || c == 101) {
    midi_out.Push(time, MidiEvent::Pack(cc, c, (p >> 7) & 0x7F));
    midi_out.Push(time, MidiEvent::Pack(cc, c - 1, p & 0x7F));
    c = 6;
  }
  midi_out.Push(time, MidiEvent::Pack(cc, c, (v >> 7) & 0x7F));
  if (c < 32) midi_out.Push(time, MidiEvent::Pack(cc, c + 32, v & 0x7F));
  out->TransmitState(time, ST_ONE_OFF);
  WakeDestinations(out);
}

}  // namespace kv
