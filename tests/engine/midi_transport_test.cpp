// MIDI between unit generators: ring capacity with refusal instead of overwrite, one
// cursor per reader, collector inputs, and the merge order of the MIDI adder.
#include <gtest/gtest.h>

#include "engine/ug_adder.h"
#include "tests/support/voice_rig.h"

namespace kv::test {
namespace {

TEST(MidiRing, SlowestReaderBoundsTheRingAndNothingUnreadIsOverwritten) {
  MidiOutput out;
  MidiInput fast, slow;
  fast.Attach(&out);
  slow.Attach(&out);
  for (int i = 0; i < MidiOutput::kCapacity; ++i) {
    ASSERT_TRUE(out.Push(i, MidiEvent::Pack(0x90, i & 0x7F, 1)));
    fast.Pop();
  }
  EXPECT_EQ(out.Unread(), MidiOutput::kCapacity);
  EXPECT_FALSE(out.Push(1000, MidiEvent::Pack(0x80, 1, 0))) << "the slow reader has 400 unread";
  EXPECT_EQ(out.dropped(), 1);
  // Everything the slow reader has not read is intact, in order.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(slow.Pop().time, i);
  EXPECT_TRUE(out.Push(1001, MidiEvent::Pack(0x80, 2, 0)));
  int remaining = 0;
  int64_t last = -1;
  while (!slow.empty()) {
    const MidiEvent e = slow.Pop();
    EXPECT_GT(e.time, last);
    last = e.time;
    ++remaining;
  }
  EXPECT_EQ(remaining, MidiOutput::kCapacity - 3 + 1);
  EXPECT_EQ(last, 1001);
  EXPECT_EQ(fast.Pop().time, 1001);
  EXPECT_TRUE(fast.empty());
}

TEST(MidiRing, UnconnectedInputIsEmptyAndAnOutputWithoutReadersNeverRefuses) {
  MidiInput alone;
  EXPECT_TRUE(alone.empty());
  EXPECT_EQ(alone.Peek(), MidiEvent{});
  EXPECT_EQ(alone.Pop(), MidiEvent{});
  MidiOutput out;
  for (int i = 0; i < 3 * MidiOutput::kCapacity; ++i) ASSERT_TRUE(out.Push(i, 0x90));
  EXPECT_EQ(out.dropped(), 0);
  MidiInput late;
  late.Attach(&out);
  EXPECT_TRUE(late.empty()) << "a new reader starts at the write position";
}

TEST(MidiRing, CollectorKeepsOneCursorPerSourceAndRemovingOneLeavesTheOther) {
  MidiOutput a, b;
  UPlug pa(nullptr, DR_OUT, dt_midi), pb(nullptr, DR_OUT, dt_midi);
  pa.io = &a;
  pb.io = &b;
  MidiInputArray in;
  in.AddSource(&pa);
  in.AddSource(&pb);
  a.Push(1, 0x90);
  b.Push(2, 0x90);
  b.Push(3, 0x90);
  EXPECT_EQ(in[1].Pop().time, 2);
  in.RemoveSource(&pa);
  ASSERT_EQ(in.size(), 1);
  EXPECT_EQ(in[0].Pop().time, 3);
  EXPECT_EQ(a.reader_count(), 0);
}

struct MidiPatch {
  KvAudioMaster master{nullptr, 512, 48000.0f};
  GraphBuilder b{master};
  std::unique_ptr<ug_container> root;
  void Start() {
    b.Build();
    root = b.TakeRoot();
    master.Start(root.get());
    master.SetRunning(true);
  }
};

TEST(MidiAdder, SeveralSourcesMergeInTimeOrderLaterConnectedFirstOnTies) {
  MidiPatch p;
  auto* first = p.b.Add<MidiFeed>(p.b.root());
  auto* second = p.b.Add<MidiFeed>(p.b.root());
  auto* third = p.b.Add<MidiFeed>(p.b.root());
  auto* sink = p.b.Add<MidiSink>(p.b.root());
  first->records = {{10, 0x11}, {20, 0x12}};
  second->records = {{5, 0x21}, {20, 0x22}};
  third->records = {{20, 0x31}, {21, 0x32}};
  for (MidiFeed* f : {first, second, third}) ASSERT_TRUE(p.b.Connect(f->plugs[0], sink->plugs[0]));
  p.Start();
  p.master.Run(64);
  std::vector<std::pair<int64_t, int>> got;
  for (const MidiEvent& e : sink->got) got.push_back({e.time, e.message});
  const std::vector<std::pair<int64_t, int>> want = {
      {5, 0x21}, {10, 0x11}, {20, 0x31}, {20, 0x22}, {20, 0x12}, {21, 0x32}};
  EXPECT_EQ(got, want);
  int adders = 0;
  std::vector<ug_base*> all;
  p.root->CollectAll(all);
  for (ug_base* u : all) adders += dynamic_cast<ug_adder_midi*>(u) != nullptr;
  EXPECT_EQ(adders, 1);
}

TEST(MidiAdder, FullOutputKeepsRecordsInItsSourcesUntilThereIsRoom) {
  MidiPatch p;
  auto* a = p.b.Add<MidiFeed>(p.b.root());
  auto* b = p.b.Add<MidiFeed>(p.b.root());
  auto* sink = p.b.Add<MidiSink>(p.b.root());
  for (int i = 0; i < 300; ++i) {
    a->records.push_back({i, MidiEvent::Pack(0x90, i & 0x7F, 1)});
    b->records.push_back({i, MidiEvent::Pack(0x80, i & 0x7F, 0)});
  }
  p.b.Connect(a->plugs[0], sink->plugs[0]);
  p.b.Connect(b->plugs[0], sink->plugs[0]);
  p.Start();
  // The sink reads before the adder has merged (it is downstream but the adder only
  // merges what is pending): run long enough for everything to pass.
  for (int i = 0; i < 20; ++i) p.master.Run(64);
  ASSERT_EQ(sink->got.size(), 600u);
  for (std::size_t i = 1; i < sink->got.size(); ++i) ASSERT_LE(sink->got[i - 1].time, sink->got[i].time);
  EXPECT_EQ(a->out.dropped() + b->out.dropped(), 0);
}

}  // namespace
}  // namespace kv::test
