// Playing MIDI through the MIDI modules allocates nothing on the audio thread.
#include <gtest/gtest.h>

#include <random>

#include "modules/midi/cv_midi.h"
#include "modules/midi/midi_automator.h"
#include "modules/midi/midi_controllers.h"
#include "modules/midi/midi_filter.h"
#include "modules/midi/midi_in_out.h"
#include "modules/midi/midi_monitor.h"
#include "tests/engine/alloc_counter.h"
#include "tests/modules/midi/midi_rig.h"

namespace kv::test {
namespace {

std::vector<MidiFeed::Record> RandomMidi(int count, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<MidiFeed::Record> r;
  for (int i = 0; i < count; ++i) {
    const int64_t t = 100 + 61 * i;
    const int key = 36 + static_cast<int>(rng() % 48);
    r.push_back({t, MidiEvent::Pack(0x90, key, 1 + static_cast<int>(rng() % 127))});
    if (i % 4) r.push_back({t + 50 + static_cast<int64_t>(rng() % 500), MidiEvent::Pack(0x80, key, 0)});
    if (i % 7 == 0) r.push_back({t + 3, MidiEvent::Pack(0xE0, rng() % 128, rng() % 128)});
    if (i % 9 == 0) r.push_back({t + 5, MidiEvent::Pack(0xD0, rng() % 128, 0)});
    if (i % 5 == 0) r.push_back({t + 7, MidiEvent::Pack(0xB0, rng() % 64, rng() % 128)});
    if (i % 60 == 0) r.push_back({t + 9, MidiEvent::Pack(0xB0, 64, i % 120 ? 127 : 0)});
  }
  return r;
}

long CountWhileRunning(KvAudioMaster& master, int64_t end) {
  long allocations = 0;
  int call = 0;
  while (master.clock < end) {
    StartCountingAllocations();
    master.Run(1 + (call++ * 131) % 700);
    allocations += StopCountingAllocations();
  }
  return allocations;
}

TEST(MidiAudioThread, MidiToCvVoicesWithoutAllocation) {
  ToCvPatch p(6, 0, 3.0f);
  p.feed->records = RandomMidi(500, 5);
  p.Start();
  EXPECT_EQ(CountWhileRunning(p.master, 100 + 61 * 500 + 2000), 0);
  EXPECT_EQ(p.master.event_pool().dropped_essential(), 0);
}

TEST(MidiAudioThread, DeviceModulesWithoutAllocation) {
  FlatPatch p;
  auto* feed = p.Feed(RandomMidi(500, 6));
  feed->Sort();
  auto* filter = p.Add(new ug_midi_filter);
  filter->velocity_lo = 30;
  auto* controllers = p.Add(new ug_midi_controllers);
  auto* automator = p.Add(new ug_midi_automator);
  auto* monitor = p.Add(new ug_midi_monitor);
  auto* out = p.Add(new ug_midi_out);
  auto* gate = p.Add(new Wave([](int64_t t) { return (t / 97) % 2 ? 0.5f : 0.0f; }));
  auto* trigger = p.Add(new ug_cv_midi);
  auto* out2 = p.Add(new ug_midi_out);
  p.b.Connect(feed->plugs[0], filter->plugs[ug_midi_filter::kMidiIn]);
  p.b.Connect(filter->plugs[ug_midi_filter::kMidiOut], controllers->plugs[ug_midi_controllers::kMidiInPlug]);
  p.b.Connect(filter->plugs[ug_midi_filter::kMidiOut], automator->plugs[ug_midi_automator::kMidiInPlug]);
  p.b.Connect(filter->plugs[ug_midi_filter::kMidiOut], monitor->plugs[ug_midi_monitor::kMidiIn]);
  p.b.Connect(filter->plugs[ug_midi_filter::kMidiOut], out->plugs[ug_midi_out::kMidiIn]);
  p.b.Connect(gate->plugs[0], trigger->plugs[ug_cv_midi::kGate]);
  p.b.Connect(trigger->plugs[ug_cv_midi::kMidiData], out2->plugs[ug_midi_out::kMidiIn]);
  for (int i = 0; i < 6; ++i) p.Record(controllers->plugs[ug_midi_controllers::kAftertouch + i], 0);
  p.Start();
  EXPECT_EQ(CountWhileRunning(p.master, 100 + 61 * 500 + 2000), 0);
  EXPECT_EQ(p.master.event_pool().dropped_essential(), 0);
  EXPECT_EQ(feed->out.dropped(), 0);
}

}  // namespace
}  // namespace kv::test
