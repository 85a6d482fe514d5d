#include "modules/midi/midi_in_out.h"

#include "engine/audio_master.h"
#include "engine/engine_host.h"
#include "engine/midi_in_queue.h"

namespace kv {

ug_midi_in::ug_midi_in() { SetProcessFunction(&ug_midi_in::sub_process_nothing); }

void ug_midi_in::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(MidiOut(&midi_out, "MIDI Data"));
}

void ug_midi_in::Open() {
  if (!queue_ && master && master->host()) queue_ = master->host()->MidiInputQueue();
  holding_ = false;
  ug_base::Open();
}

void ug_midi_in::Process(int count) {
  const sample_clock end = clock + count;
  bool moved = false;
  while (queue_) {
    if (!holding_) {
      if (!queue_->Pop(held_)) break;
      holding_ = true;
    }
    if (held_.time >= end) break;  // due in a later run
    holding_ = false;
    if (held_.message == 0xFE) continue;  // active sensing
    MidiEvent e = held_;
    if (e.time < clock) e.time = clock;
    moved = midi_out.Push(e) || moved;
  }
  if (moved) WakeDestinations(plugs[kMidiData]);
  ug_base::Process(count);
}

ug_midi_out::ug_midi_out() { SetProcessFunction(&ug_midi_out::sub_process_sleep); }

void ug_midi_out::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(MidiIn(&midi_in, "MIDI In").Default("0"));
}

void ug_midi_out::Process(int count) {
  while (!midi_in.empty()) midi_in.Pop();
  ug_base::Process(count);
}

}  // namespace kv
