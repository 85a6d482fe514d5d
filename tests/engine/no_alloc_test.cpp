// The audio thread never allocates: count every operator new and malloc made while the
// master runs a small patch with events, panel messages, sleeping and waking.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/engine/alloc_counter.h"
#include "tests/support/engine_rig.h"

namespace kv::test {
namespace {

class QuietHost : public EngineHost {
 public:
  void ApplyPendingHostParameters() override { ++applied; }
  const TimeInfo* FetchHostTimeInfo(int32_t) override { return &info; }
  void QueueModuleMessage(const ModuleMessage& m) override { messages.Push(m); }
  void QueueDocumentRefresh(DocumentModule* m) override { refreshes.Push(m); }
  TimeInfo info{};
  int applied = 0;
  ModuleMessageQueue messages;
  RefreshQueue refreshes;
};

// Passes audio through, follows its input's state, reports to the owner now and then.
class Pass : public ug_base {
 public:
  ug_base* CreateObject() override { return new Pass; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsIn(&in, "In").Default("0"));
    list.push_back(VoltsOut(&out, "Out"));
    list.push_back(FloatIn(&value, "Value").Default("0"));
  }
  Pass() { SetProcessFunction(&Pass::Copy); }
  void OnPlugStateChange(sample_clock time, Connection* c, state_type s) override {
    if (c->destination == plugs[0]) plugs[1]->TransmitState(time, s);
    if (c->destination == plugs[2]) {
      PostMessage("value changed");
      RequestDocumentRefresh();
      master->GetTimeInfo(vst::kVstPpqPosValid | vst::kVstBarsValid);
    }
  }
  void Copy(int offset, int count) {
    for (int i = 0; i < count; ++i) out[offset + i] = in[offset + i] * 0.5f;
  }
  float* in = nullptr;
  float* out = nullptr;
  float value = 0.0f;
};

TEST(AudioThread, RunMakesNoAllocation) {
  QuietHost host;
  host.info.tempo = 120.0;
  host.info.flags = vst::kVstPpqPosValid | vst::kVstTempoValid;
  Engine e(512, 48000.0f, &host);
  Script* s = e.Add<Script>(20);
  std::vector<Pass*> chain;
  for (int i = 0; i < 4; ++i) chain.push_back(e.Add<Pass>(16 - 4 * i));
  Probe* sleeper = e.Add<Probe>(0);
  UPlug::Connect(s->plugs[Script::kOut], chain[0]->plugs[0]);
  for (int i = 1; i < 4; ++i) UPlug::Connect(chain[i - 1]->plugs[1], chain[i]->plugs[0]);
  for (Pass* p : chain) UPlug::Connect(s->plugs[Script::kFloat], p->plugs[2]);
  chain[3]->document_module = reinterpret_cast<DocumentModule*>(0x10);
  for (int t = 0; t < 4000; t += 37)
    s->steps.push_back({t, t % 2 ? Script::kOut : Script::kFloat,
                        t % 3 ? ST_RUN : ST_ONE_OFF, t * 0.001f});
  e.Start();
  sleeper->SetProcessFunction(&Probe::sub_process_sleep);

  long total = 0;
  for (int call = 0; call < 40; ++call) {
    for (int m = 0; m < 5; ++m) e.master.PostUiMessage(sleeper, 1, m);  // wakes it
    e.master.SetHostParamsPending();
    StartCountingAllocations();
    e.master.Run(call % 2 ? 100 : 141);
    total += StopCountingAllocations();
  }
  EXPECT_EQ(total, 0);
  EXPECT_EQ(host.applied, 40);
  EXPECT_FALSE(host.messages.empty());
  EXPECT_FALSE(host.refreshes.empty());
  EXPECT_EQ(e.master.event_pool().dropped_essential(), 0);
  EXPECT_EQ(e.master.event_pool().dropped_non_essential(), 0);
  EXPECT_GT(sleeper->ui.size(), 0u);
}

}  // namespace
}  // namespace kv::test
