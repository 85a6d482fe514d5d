// Playing a polyphonic patch allocates nothing on the audio thread: notes start, steal,
// repeat, sustain, bend and are released while the voice monitor suspends and resumes
// voices and MIDI fills its buffers.
#include <gtest/gtest.h>

#include <random>

#include "tests/engine/alloc_counter.h"
#include "tests/support/voice_rig.h"

namespace kv::test {
namespace {

TEST(AudioThread, VoicesStartAndStealWithoutAllocation) {
  PolyPatch p(4, 0, -1, 300);
  std::mt19937 rng(99);
  auto& r = p.feed->records;
  for (int i = 0; i < 600; ++i) {
    const int64_t t = 200 + 97 * i;
    const int key = 48 + static_cast<int>(rng() % 12);  // repeats: quick releases
    const int ch = static_cast<int>(rng() % 2);
    r.push_back({t, MidiEvent::Pack(0x90 | ch, key, 1 + static_cast<int>(rng() % 127))});
    if (i % 5) r.push_back({t + 90 + static_cast<int64_t>(rng() % 400), MidiEvent::Pack(0x80 | ch, key, 0)});
    if (i % 50 == 7) r.push_back({t + 5, MidiEvent::Pack(0xB0, 64, 127)});
    if (i % 50 == 20) r.push_back({t + 5, MidiEvent::Pack(0xB0, 64, 0)});
    if (i % 40 == 0) r.push_back({t + 9, MidiEvent::Pack(0xE0 | ch, 0, 90)});
    if (i % 45 == 0) r.push_back({t + 11, MidiEvent::Pack(0xD0 | ch, 70, 0)});
    if (i % 97 == 0) r.push_back({t + 13, MidiEvent::Pack(0xB0, 123, 0)});
  }
  p.log.reserve(100000);  // the probes' own record
  p.Start();
  long allocations = 0;
  int call = 0;
  while (p.master.clock < 200 + 97 * 600 + 3000) {
    StartCountingAllocations();
    p.master.Run(1 + (call++ * 131) % 700);
    allocations += StopCountingAllocations();
  }
  EXPECT_EQ(allocations, 0);
  EXPECT_EQ(p.master.event_pool().dropped_essential(), 0);
  EXPECT_EQ(p.master.event_pool().dropped_non_essential(), 0);
  int steals = 0, quick = 0, suspends = 0;
  for (const VoiceEvent& e : p.log) {
    quick += e.type == UET_QUICK_RELEASE;
    suspends += e.type == UET_SUSPEND;
  }
  steals = static_cast<int>(p.Of(UET_NOTE_ON).size());
  EXPECT_EQ(steals, 600);
  EXPECT_GT(quick, 10);
  EXPECT_GT(suspends, 5) << "beyond the four idle voices at the start";
}

}  // namespace
}  // namespace kv::test
