// Declarations, blocks, plugs, values from text, the event pool, cloning.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "tests/support/engine_rig.h"

namespace kv::test {
namespace {

TEST(Names, KnownValuesAndTheSystemsOwnFallbacks) {
  EXPECT_STREQ(EventTypeName(UET_STAT_CHANGE), "UET_STAT_CHANGE");
  EXPECT_STREQ(EventTypeName(UET_PROG_CHANGE), "UET_PROG_CHANGE");
  EXPECT_STREQ(EventTypeName(7), "UnKnowen");
  EXPECT_STREQ(EventTypeName(-1), "UnKnowen");
  EXPECT_STREQ(GetStatString(ST_RUN), "ST_RUN");
  EXPECT_STREQ(GetStatString(3), "GetStatString ERROR");
  EXPECT_STREQ(DirectionName(DR_PARAMETER), "DR_PARAMETER");
  EXPECT_STREQ(DirectionName(4), "unknowen");
}

TEST(InterfaceObject, OnlyPlainAudioInputsGetTheAudioFlag) {
  struct Case {
    int32_t direction, datatype;
    uint32_t flags, expected;
  };
  const Case cases[] = {
      {DR_IN, dt_volts, 0x000, 0x001},   {DR_IN, dt_volts, 0x002, 0x003},
      {DR_IN, dt_volts, 0x200, 0x200},   {DR_IN, dt_volts, 0x202, 0x202},
      {DR_IN, dt_volts, 0x001, 0x001},   {DR_OUT, dt_volts, 0x000, 0x000},
      {DR_PARAMETER, dt_volts, 0, 0},    {DR_IN, dt_float, 0x000, 0x000},
  };
  for (const Case& c : cases) {
    InterfaceObject d(nullptr, c.datatype, nullptr, c.direction, "", "x", "", "", c.flags);
    EXPECT_EQ(d.flags, c.expected) << DirectionName(c.direction) << " flags " << c.flags;
  }
}

TEST(USampBlock, AlignedZeroedAndEveryOperationCoversItsRange) {
  for (int size : {1, 3, 63, 128}) {
    USampBlock b(size);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b.samples()) % 16, 0u);
    for (int i = 0; i < size + 8; ++i) ASSERT_EQ(b.samples()[i], 0.0f) << "slack is zeroed too";
    b.Fill(0.5f);
    for (int i = 0; i < size; ++i) ASSERT_EQ(b.Read(i), 0.5f);
    EXPECT_EQ(b.samples()[size], 0.0f) << "fill stays inside the block";
    USampBlock other(size);
    other.Fill(0.25f);
    b.Add(other);
    EXPECT_EQ(b.Read(size - 1), 0.75f);
    b.FillRun(size / 2, size, 1.0f);  // clipped at the end
    EXPECT_EQ(b.Read(size - 1), 1.0f);
    EXPECT_EQ(b.samples()[size], 0.0f);
    b.Write(0, -1.0f);
    EXPECT_EQ(b.Read(0), -1.0f);
    b.Clear();
    EXPECT_EQ(b.Read(0), 0.0f);
  }
}

TEST(EventPool, NonEssentialEventsAreRefusedFirstAndDropsCounted) {
  EventPool pool;
  pool.Reserve(64);
  ASSERT_EQ(pool.essential_reserve(), 8);
  std::vector<ug_event*> taken;
  while (ug_event* e = pool.Acquire(EventPriority::kNonEssential)) taken.push_back(e);
  EXPECT_EQ(taken.size(), 56u);
  EXPECT_EQ(pool.dropped_non_essential(), 1);
  while (ug_event* e = pool.Acquire(EventPriority::kEssential)) taken.push_back(e);
  EXPECT_EQ(taken.size(), 64u);
  EXPECT_EQ(pool.dropped_essential(), 1);
  for (ug_event* e : taken) pool.Release(e);
  EXPECT_EQ(pool.free_count(), 64);
  EXPECT_EQ(DefaultPriority(UET_UI_NOTIFY), EventPriority::kNonEssential);
  EXPECT_EQ(DefaultPriority(UET_STAT_CHANGE), EventPriority::kEssential);
  EXPECT_EQ(DefaultPriority(UET_NOTE_OFF), EventPriority::kEssential);
}

TEST(Plugs, DeclarationsMakePlugsLookupByIndexAndName) {
  Engine e;
  Probe* p = e.Add<Probe>(0);
  ASSERT_EQ(p->plugs.size(), 5u);
  EXPECT_EQ(p->audio_in_count, 1);
  EXPECT_EQ(p->audio_out_count, 1);
  EXPECT_EQ(p->GetPlug("Level"), p->plugs[Probe::kLevel]);
  EXPECT_EQ(p->GetPlug("level"), nullptr) << "names compare exactly";
  EXPECT_THROW(p->GetPlug(5), std::out_of_range);
  EXPECT_EQ(p->plugs[Probe::kLevel]->io, &p->level) << "the module's member holds the value";
  EXPECT_EQ(p->plugs[Probe::kIn]->block(), e.master.zero_block()) << "unconnected reads silence";
  EXPECT_TRUE(p->plugs[Probe::kIn]->flags & UPLUG_VOICE_SENSITIVE);
  e.Start();
  EXPECT_EQ(p->in, e.master.zero_block()->samples()) << "Open writes buffer targets";
  EXPECT_EQ(p->out, p->plugs[Probe::kOut]->samples());
}

TEST(Plugs, ConnectionsShareBlocksCopyValuesAndDisconnectDropsPendingChanges) {
  Engine e;
  Script* s = e.Add<Script>(4);
  Probe* p = e.Add<Probe>(0);
  Probe* q = e.Add<Probe>(0);
  s->fvalue = 0.5f;
  Connection* audio = UPlug::Connect(s->plugs[Script::kOut], p->plugs[Probe::kIn]);
  Connection* value = UPlug::Connect(s->plugs[Script::kFloat], p->plugs[Probe::kValue]);
  ASSERT_TRUE(audio && value);
  EXPECT_EQ(p->plugs[Probe::kIn]->block(), s->plugs[Script::kOut]->block());
  EXPECT_EQ(p->value, 0.5f);
  EXPECT_EQ(s->plugs[Script::kFloat]->state, ST_ONE_OFF) << "raised so the first send arrives";
  EXPECT_EQ(UPlug::Connect(s->plugs[Script::kOut], p->plugs[Probe::kIn]), nullptr)
      << "a second source needs a summing module";
  EXPECT_NE(UPlug::Connect(s->plugs[Script::kOut], q->plugs[Probe::kIn]), nullptr);

  s->plugs[Script::kFloat]->TransmitState(3, ST_RUN);
  ASSERT_FALSE(p->events.empty());
  UPlug::Disconnect(value);
  EXPECT_TRUE(p->events.empty());
  UPlug::Disconnect(audio);
  EXPECT_EQ(p->plugs[Probe::kIn]->block(), e.master.zero_block());
  EXPECT_TRUE(s->plugs[Script::kFloat]->connections.empty());
}

// A collector input is told of every source joining or leaving, but not while its own
// unit generator is being destroyed (its collector is gone by then).
class Sum : public ug_base {
 public:
  struct Sources : Collector {
    void AddSource(UPlug* s) override { list.push_back(s); }
    void RemoveSource(UPlug* s) override { std::erase(list, s); }
    std::vector<UPlug*> list;
  } sources;
  ug_base* CreateObject() override { return new Sum; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(CollectorIn(dt_volts, &sources, "In"));
  }
};

TEST(Plugs, CollectorInputsTrackSourcesAndDieQuietly) {
  Engine e;
  Script* a = e.Add<Script>(8);
  Script* b = e.Add<Script>(8);
  auto sum = std::make_unique<Sum>();
  sum->master = &e.master;
  sum->BuildPlugsFromDeclarations();
  ASSERT_TRUE(sum->plugs[0]->flags & UPLUG_COLLECTOR);
  Connection* ca = UPlug::Connect(a->plugs[Script::kOut], sum->plugs[0]);
  ASSERT_NE(UPlug::Connect(b->plugs[Script::kOut], sum->plugs[0]), nullptr);
  EXPECT_EQ(sum->sources.list, (std::vector<UPlug*>{a->plugs[0], b->plugs[0]}));
  UPlug::Disconnect(ca);
  EXPECT_EQ(sum->sources.list, (std::vector<UPlug*>{b->plugs[0]}));
  sum.reset();  // must not call into the destroyed collector
  EXPECT_TRUE(b->plugs[Script::kOut]->connections.empty());
}

// A stand-in container whose IO module holds parameters for unconnected inputs.
class Box : public Group {
 public:
  ug_base* GetIoModule() override { return io; }
  ug_base* io = nullptr;
};

TEST(Plugs, ValueFromTextBeforeStartAndThroughTheRingWhileRunning) {
  Engine e(512);
  Box box;
  Probe* io = e.Add<Probe>(10);
  Script* s = e.Add<Script>(5);
  Probe* p = e.Add<Probe>(0);
  box.io = io;
  p->container = &box;

  // An audio output takes volts (x 0.1).
  EXPECT_TRUE(s->plugs[Script::kOut]->SetValueFromText("5"));
  EXPECT_EQ(s->plugs[Script::kOut]->block()->Read(7), 0.5f);
  // An unconnected input gets a parameter in the container's IO module.
  EXPECT_TRUE(p->plugs[Probe::kValue]->SetValueFromText("2.5"));
  ASSERT_EQ(io->plugs.size(), 6u);
  auto* param = dynamic_cast<UParameter*>(io->plugs[5]);
  ASSERT_NE(param, nullptr);
  EXPECT_EQ(p->value, 2.5f);
  EXPECT_TRUE(p->plugs[Probe::kIn]->SetValueFromText("-5"));
  EXPECT_EQ(p->plugs[Probe::kIn]->block()->Read(0), -0.5f);
  // A MIDI plug and a non-volts output ignore text; an input driven by a real source
  // does not take it either.
  UPlug midi(p, DR_IN, dt_midi);
  EXPECT_FALSE(midi.SetValueFromText("1"));
  EXPECT_FALSE(s->plugs[Script::kFloat]->SetValueFromText("1"));
  UPlug::Connect(s->plugs[Script::kEnum], p->plugs[Probe::kLevel]);
  EXPECT_FALSE(p->plugs[Probe::kLevel]->SetValueFromText("3"));

  e.Start();
  e.master.Run(64);
  // Running: the value reaches the block on the audio thread, never before.
  EXPECT_TRUE(p->plugs[Probe::kIn]->SetValueFromText("1"));
  EXPECT_EQ(p->plugs[Probe::kIn]->block()->Read(0), -0.5f);
  EXPECT_TRUE(p->plugs[Probe::kValue]->SetValueFromText("7"));
  EXPECT_EQ(p->value, 2.5f);
  e.master.Run(64);
  EXPECT_EQ(p->plugs[Probe::kIn]->block()->Read(100), 0.1f);
  EXPECT_EQ(p->value, 7.0f);
  // No new structure while running.
  Probe* lone = e.Add<Probe>(0);
  lone->container = &box;
  EXPECT_FALSE(lone->plugs[Probe::kValue]->SetValueFromText("1"));
}

TEST(Clone, CopiesPlugsFlagsAndChainAndWiresLikeThePrototype) {
  Engine e;
  Script* src = e.Add<Script>(8);  // shared, not voice-dependent
  Probe* proto = e.Add<Probe>(4);
  Probe* sink = e.Add<Probe>(0);
  proto->flags |= UGF_VOICE_DEPENDENT | UGF_OPEN | UGF_SUSPENDED;
  UPlug::Connect(src->plugs[Script::kFloat], proto->plugs[Probe::kValue]);
  sink->plugs[Probe::kIn]->flags |= UPLUG_COLLECTOR;  // stands for a voice sum
  UPlug::Connect(proto->plugs[Probe::kOut], sink->plugs[Probe::kIn]);

  std::unique_ptr<ug_base> c1(proto->Clone());
  std::unique_ptr<ug_base> c2(proto->Clone());
  EXPECT_EQ(proto->clone_link, c2.get());
  EXPECT_EQ(c2->clone_link, c1.get());
  EXPECT_EQ(c1->clone_link, nullptr);
  EXPECT_EQ(c1->plugs.size(), proto->plugs.size());
  EXPECT_EQ(c1->sort_order, 4);
  EXPECT_EQ(c1->flags, UGF_VOICE_DEPENDENT | UGF_CLONE);
  EXPECT_NE(c1->plugs[Probe::kOut]->block(), proto->plugs[Probe::kOut]->block());

  CloneMap copies{{proto, c1.get()}};
  c1->WireClone(proto, copies);
  ASSERT_EQ(c1->plugs[Probe::kValue]->connections.size(), 1u);
  EXPECT_EQ(c1->plugs[Probe::kValue]->connections[0]->source, src->plugs[Script::kFloat]);
  EXPECT_EQ(sink->plugs[Probe::kIn]->connections.size(), 2u) << "the copy joins the sum";
  c1.reset();
  c2.reset();
  EXPECT_EQ(sink->plugs[Probe::kIn]->connections.size(), 1u);
}

}  // namespace
}  // namespace kv::test

namespace kv::test {
namespace {

// Voice marking: downstream from the note source, then upstream from every generator
// whose voice-sensitive input is fed; generators with both marks are voice-dependent.
TEST(VoiceMarking, DownstreamThenUpstreamAndTagging) {
  Engine e;
  Probe* src = e.Add<Probe>(12);
  Probe* lfo = e.Add<Probe>(12);
  Probe* a = e.Add<Probe>(8);
  Probe* b = e.Add<Probe>(4);
  Probe* meter = e.Add<Probe>(4);
  UPlug::Connect(src->plugs[Probe::kOut], a->plugs[Probe::kIn]);
  UPlug::Connect(lfo->plugs[Probe::kOut], lfo->plugs[Probe::kIn]);  // not reached
  Script* shared = e.Add<Script>(12);
  UPlug::Connect(shared->plugs[Script::kFloat], a->plugs[Probe::kValue]);
  UPlug::Connect(a->plugs[Probe::kOut], b->plugs[Probe::kIn]);
  meter->flags |= UGF_NEVER_VOICE;
  UPlug::Connect(b->plugs[Probe::kOut], meter->plugs[Probe::kIn]);

  src->MarkVoiceDownstream();
  for (Probe* p : {src, a, b, meter})
    if (p->IsVoiceInputActive()) p->MarkVoiceUpstream();
  src->MarkVoiceUpstream();  // the note source itself
  const uint32_t both = UGF_VOICE_MARKED_DOWN | UGF_VOICE_MARKED_UP;
  EXPECT_EQ(src->flags & both, both);
  EXPECT_EQ(a->flags & both, both);
  EXPECT_EQ(b->flags & both, both);
  EXPECT_EQ(meter->flags & both, 0u) << "never voice-dependent";
  EXPECT_EQ(shared->flags & both, 0u) << "upstream marking needs the downstream mark";
  EXPECT_EQ(lfo->flags & both, 0u);
  EXPECT_TRUE(a->plugs[Probe::kIn]->flags & UPLUG_VOICE_FED);

  // Two sources tag downstream: what both reach is shared (0).
  Engine f;
  Probe* s1 = f.Add<Probe>(8);
  Probe* s2 = f.Add<Probe>(8);
  Probe* x = f.Add<Probe>(4);
  Sum* y = f.Add<Sum>(4);
  UPlug::Connect(s1->plugs[Probe::kOut], x->plugs[Probe::kIn]);
  UPlug::Connect(x->plugs[Probe::kOut], y->plugs[0]);
  UPlug::Connect(s2->plugs[Probe::kOut], y->plugs[0]);
  s1->TagVoiceSourceDownstream(1);
  s2->TagVoiceSourceDownstream(2);
  EXPECT_EQ(x->voice_tag, 1);
  EXPECT_EQ(y->voice_tag, 0);
}

}  // namespace
}  // namespace kv::test
