// Run list, state transmission, sleep and suspension.
#include <gtest/gtest.h>

#include "tests/support/engine_rig.h"

namespace kv::test {
namespace {

std::vector<int> RunListOrders(KvAudioMaster& m, const std::vector<ug_base*>& ids) {
  std::vector<int> out;
  for (EventProcessor* u = m.run_list_head(); u; u = u->run_next)
    for (std::size_t i = 0; i < ids.size(); ++i)
      if (ids[i] == u) out.push_back(static_cast<int>(i));
  return out;
}

TEST(RunList, DescendingOrderTiesKeepInsertionOrderAndInsertIsIdempotent) {
  Engine e;
  std::vector<ug_base*> u;
  for (int order : {4, 8, 4, 0, 8}) u.push_back(e.Add<Probe>(order));
  e.Start();
  EXPECT_EQ(RunListOrders(e.master, u), (std::vector<int>{1, 4, 0, 2, 3}));

  e.master.Insert(u[0]);  // already in: nothing changes
  e.master.Remove(u[2]);
  e.master.Remove(u[2]);  // not in: nothing changes
  EXPECT_EQ(RunListOrders(e.master, u), (std::vector<int>{1, 4, 0, 3}));
  e.master.Insert(u[2]);
  EXPECT_EQ(RunListOrders(e.master, u), (std::vector<int>{1, 4, 0, 2, 3}));
}

// A generator woken by a module later in the run list (downstream) has missed this run
// and handles the event at the start of the next run; one woken by an earlier module
// (upstream) runs in this run from the event's sample.
TEST(RunList, WokenByDownstreamWaitsARunWokenByUpstreamRunsNow) {
  Engine e(512);
  Probe* up = e.Add<Probe>(8);
  Probe* mid = e.Add<Probe>(4);
  Probe* down = e.Add<Probe>(0);
  e.Start();
  e.master.Run(128);  // everyone runs once
  up->SetProcessFunction(&Probe::sub_process_sleep);
  down->SetProcessFunction(&Probe::sub_process_sleep);
  e.master.Run(128);  // up and down fall asleep
  ASSERT_TRUE(up->sleeping);
  ASSERT_TRUE(down->sleeping);
  up->SetProcessFunction(&Probe::Record);
  down->SetProcessFunction(&Probe::Record);
  up->calls.clear();
  down->calls.clear();

  mid->on_process = [&](Probe& self, int, int) {
    if (self.clock != 256) return;
    up->AddEvent(self.clock + 5, 50, 1);
    down->AddEvent(self.clock + 5, 50, 2);
  };
  e.master.Run(128);
  // Downstream neighbour: woken at 256 and run from 256, split at the event.
  EXPECT_EQ(down->calls, (std::vector<Call>{{256, 0, 5}, {261, 5, 123}}));
  // Upstream neighbour: not run in this run; its clock is the run's end.
  EXPECT_TRUE(up->calls.empty());
  EXPECT_EQ(up->clock, 384);
  e.master.Run(128);
  EXPECT_EQ(up->calls, (std::vector<Call>{{384, 0, 128}}));
  ASSERT_FALSE(up->handled.empty());
  EXPECT_EQ(up->handled.back().at, 384);  // stale event handled before the first sample
}

// Walking the run list survives a generator removing the next one while being processed.
TEST(RunList, RemovingTheNextGeneratorDuringTheWalkSkipsIt) {
  Engine e;
  Probe* a = e.Add<Probe>(8);
  Probe* b = e.Add<Probe>(4);
  Probe* c = e.Add<Probe>(0);
  e.Start();
  a->on_process = [&](Probe&, int, int) { b->Suspend(); };
  e.master.Run(64);
  EXPECT_TRUE(b->calls.empty());
  EXPECT_EQ(c->calls.size(), 1u);
  b->Resume();
  a->on_process = nullptr;
  e.master.Run(64);
  EXPECT_EQ(b->calls, (std::vector<Call>{{64, 64, 64}}));
}

// Function events: a module's own function at a sample; the master's IO function at the
// start of the run that contains its time, with the target brought to the master clock.
class Caller : public Probe {
 public:
  ug_base* CreateObject() override { return new Caller; }
  void Mark() { marks.push_back(clock); }
  std::vector<int64_t> marks;
};

TEST(FunctionEvents, RunAtTheirSample) {
  Engine e(512);
  Caller* c = e.Add<Caller>(0);
  e.Start();
  c->PostRunFunction(37, &Caller::Mark);
  e.master.AddIoFunction(130, c, static_cast<ug_func>(&Caller::Mark));
  e.master.Run(256);
  EXPECT_EQ(c->marks, (std::vector<int64_t>{37, 128}));
  EXPECT_EQ(c->calls, (std::vector<Call>{{0, 0, 37}, {37, 37, 91}, {128, 0, 128}}));
}

// --- state transmission ------------------------------------------------------------------

struct TransmitCase {
  const char* name;
  int source_plug;  // Script::kOut (audio) or kFloat
  std::vector<std::pair<int64_t, state_type>> sends;
  std::vector<state_type> received;
};
void PrintTo(const TransmitCase& c, std::ostream* os) { *os << c.name; }


class TransmitState : public ::testing::TestWithParam<TransmitCase> {};

TEST_P(TransmitState, SendsAccordingToTheRules) {
  const TransmitCase& c = GetParam();
  Engine e;
  Script* s = e.Add<Script>(4);
  Probe* p = e.Add<Probe>(0);
  UPlug* src = s->plugs[c.source_plug];
  UPlug::Connect(src, p->plugs[c.source_plug == Script::kOut ? Probe::kIn : Probe::kValue]);
  src->state = ST_STOP;  // ignore the raise made by connecting
  for (auto [time, state] : c.sends) src->TransmitState(time, state);
  std::vector<state_type> received;
  for (ug_event* ev = p->events.front(); ev; ev = ev->next)
    if (ev->type == UET_STAT_CHANGE) received.push_back(static_cast<state_type>(ev->arg1));
  EXPECT_EQ(received, c.received);
  if (!c.sends.empty() && c.sends.back().second == ST_ONE_OFF) {
    EXPECT_EQ(src->state, ST_STOP);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TransmitState,
    ::testing::Values(
        TransmitCase{"OneOffTwiceNonAudio", Script::kFloat,
                     {{5, ST_ONE_OFF}, {5, ST_ONE_OFF}}, {ST_ONE_OFF, ST_ONE_OFF}},
        TransmitCase{"OneOffTwiceAudio", Script::kOut,
                     {{5, ST_ONE_OFF}, {5, ST_ONE_OFF}}, {ST_ONE_OFF}},
        TransmitCase{"OneOffAudioAtLaterSample", Script::kOut,
                     {{5, ST_ONE_OFF}, {6, ST_ONE_OFF}}, {ST_ONE_OFF, ST_ONE_OFF}},
        TransmitCase{"OneOffAudioWhileRunning", Script::kOut,
                     {{5, ST_RUN}, {5, ST_ONE_OFF}, {5, ST_ONE_OFF}}, {ST_RUN, ST_ONE_OFF}},
        TransmitCase{"RunTwiceSendsOnce", Script::kOut,
                     {{5, ST_RUN}, {9, ST_RUN}}, {ST_RUN}},
        TransmitCase{"StopAfterOneOffSendsNothing", Script::kFloat,
                     {{5, ST_ONE_OFF}, {6, ST_STOP}}, {ST_ONE_OFF}},
        TransmitCase{"StopAfterRunIsSent", Script::kOut,
                     {{5, ST_RUN}, {6, ST_STOP}}, {ST_RUN, ST_STOP}}),
    [](const auto& info) { return std::string(info.param.name); });

// Values travel with the change: the snapshot of the moment of sending, by datatype.
TEST(TransmitState, ValuesArriveAtTheirSample) {
  Engine e(512);
  Script* s = e.Add<Script>(4);
  Probe* p = e.Add<Probe>(0);
  UPlug::Connect(s->plugs[Script::kFloat], p->plugs[Probe::kValue]);
  UPlug::Connect(s->plugs[Script::kEnum], p->plugs[Probe::kLevel]);
  s->steps = {{10, Script::kFloat, ST_ONE_OFF, 0.25f},
              {10, Script::kEnum, ST_ONE_OFF, -1.0f},
              {20, Script::kFloat, ST_ONE_OFF, 0.75f}};
  std::vector<std::pair<int64_t, float>> seen;
  p->on_process = [&](Probe& self, int, int) { seen.emplace_back(self.clock, self.value); };
  e.Start();
  e.master.Run(128);
  EXPECT_EQ(seen, (std::vector<std::pair<int64_t, float>>{{0, 0.0f}, {10, 0.25f}, {20, 0.75f}}));
  EXPECT_EQ(p->level, -1);  // the 16-bit snapshot is sign-extended
  EXPECT_EQ(p->plugs[Probe::kValue]->state, ST_STOP);  // a handled one-off leaves STOP
}

// --- sleep ---------------------------------------------------------------------------

// Writes its value once per change, then goes static through the one-sample look-ahead.
class Const : public Probe {
 public:
  ug_base* CreateObject() override { return new Const; }
  void Open() override {
    Probe::Open();
    SetProcessFunction(&Const::WriteValue);
    RunOneThenStatic();
  }
  void WriteValue(int offset, int count) {
    Record(offset, count);
    for (int i = 0; i < count; ++i) out[offset + i] = level_value;
  }
  float level_value = 0.5f;
};

TEST(Sleep, ConstantFillsAFullBlockBeforeSleepingAndWakesOnAnEvent) {
  Engine e(512);  // block size 128
  Const* k = e.Add<Const>(0);
  e.Start();
  e.master.Run(100);
  EXPECT_FALSE(k->sleeping);
  EXPECT_EQ(k->static_countdown, 29);  // one look-ahead sample, then 99 of the 128
  e.master.Run(100);  // 100..200: the countdown ends at sample 129, then it sleeps
  EXPECT_TRUE(k->sleeping);
  EXPECT_FALSE(k->in_run_list);
  for (int i = 0; i < 128; ++i) ASSERT_EQ(k->out[i], 0.5f) << "sample " << i;
  const std::size_t calls = k->calls.size();
  e.master.Run(128);
  EXPECT_EQ(k->calls.size(), calls) << "a sleeping generator is not processed";

  k->AddEvent(e.master.clock + 3, 50);
  EXPECT_FALSE(k->sleeping);
  EXPECT_TRUE(k->in_run_list);
  EXPECT_EQ(k->clock, e.master.clock);
}

TEST(Sleep, ResumingMidCountdownRestartsItAtAFullBlock) {
  Engine e(512);
  Const* k = e.Add<Const>(0);
  e.Start();
  e.master.Run(100);
  ASSERT_EQ(k->static_countdown, 128 - 99);
  k->Suspend();
  e.master.Run(50);
  k->Resume();
  EXPECT_EQ(k->static_countdown, 128);
  EXPECT_EQ(k->clock, 150);
}

// --- suspension ------------------------------------------------------------------------

TEST(Suspend, KeepsOneStaleChangePerConnectionAndMovesDueEventsOnResume) {
  Engine e(512);
  Script* s = e.Add<Script>(4);
  Probe* p = e.Add<Probe>(0);
  Connection* c1 = UPlug::Connect(s->plugs[Script::kFloat], p->plugs[Probe::kValue]);
  Connection* c2 = UPlug::Connect(s->plugs[Script::kEnum], p->plugs[Probe::kLevel]);
  e.Start();
  e.master.Run(128);
  p->Suspend();
  s->steps.clear();
  e.master.Run(128);
  e.master.Run(10);  // now inside the third block: block start 256
  ASSERT_EQ(e.master.block_start(), 256);
  p->handled.clear();
  p->calls.clear();
  UPlug* f = s->plugs[Script::kFloat];
  UPlug* n = s->plugs[Script::kEnum];
  for (int64_t t : {10, 50, 130}) f->TransmitState(t, ST_ONE_OFF);
  n->TransmitState(60, ST_ONE_OFF);
  n->TransmitState(70, ST_ONE_OFF);
  for (int64_t t : {258, 260}) f->TransmitState(t, ST_ONE_OFF);

  std::vector<std::pair<Connection*, int64_t>> queued;
  for (ug_event* ev = p->events.front(); ev; ev = ev->next)
    queued.emplace_back(ev->connection(), ev->time);
  EXPECT_EQ(queued, (std::vector<std::pair<Connection*, int64_t>>{
                        {c2, 70}, {c1, 130}, {c1, 258}, {c1, 260}}));

  // Events stay put while suspended, even when the generator was asleep.
  EXPECT_FALSE(p->in_run_list);
  p->Resume();
  EXPECT_TRUE(p->in_run_list);
  e.master.Run(20);  // 266..286
  std::vector<int64_t> at;
  for (const Handled& h : p->handled) at.push_back(h.at);
  EXPECT_EQ(at, (std::vector<int64_t>{266, 266, 266, 266}));
  EXPECT_EQ(p->calls, (std::vector<Call>{{266, 10, 20}}));
}

TEST(Suspend, WakeDoesNotRunASuspendedSleeper) {
  Engine e;
  Probe* p = e.Add<Probe>(0);
  e.Start();
  p->SetProcessFunction(&Probe::sub_process_sleep);
  e.master.Run(64);
  ASSERT_TRUE(p->sleeping);
  p->Suspend();
  p->AddEvent(70, 50);
  EXPECT_FALSE(p->in_run_list);
  p->Resume();  // asleep with an event pending: wakes now
  EXPECT_TRUE(p->in_run_list);
  EXPECT_FALSE(p->sleeping);
  p->Resume();  // not suspended: nothing
  EXPECT_TRUE(p->in_run_list);
}

}  // namespace
}  // namespace kv::test
