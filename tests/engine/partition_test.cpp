// Partition invariance: a feed-forward patch whose events come from absolute times gives
// the same samples however the host cuts its calls, including through a generator that
// goes static, sleeps and is woken again.
#include <gtest/gtest.h>

#include <random>

#include "tests/support/engine_rig.h"

namespace kv::test {
namespace {

constexpr int kLength = 2000;

// Holds its float input as a constant audio output, then sleeps.
class Hold : public ug_base {
 public:
  ug_base* CreateObject() override { return new Hold; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(FloatIn(&value, "Value").Default("0"));
    list.push_back(VoltsOut(&out, "Out"));
  }
  void OnPlugStateChange(sample_clock time, Connection*, state_type) override {
    SetProcessFunction(&Hold::WriteValue);
    RunOneThenStatic();
    plugs[1]->TransmitState(time, ST_ONE_OFF);
  }
  void WriteValue(int offset, int count) {
    for (int i = 0; i < count; ++i) out[offset + i] = value;
  }
  float value = 0.0f;
  float* out = nullptr;
};

// Copies its input to an absolute-time recording.
class Recorder : public ug_base {
 public:
  ug_base* CreateObject() override { return new Recorder; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsIn(&in, "In").Default("0"));
  }
  Recorder() { SetProcessFunction(&Recorder::Take); }
  void Take(int offset, int count) {
    for (int i = 0; i < count; ++i) samples[clock + i] = in[offset + i];
  }
  float* in = nullptr;
  std::vector<float> samples = std::vector<float>(kLength, -99.0f);
};

struct Result {
  std::vector<float> direct, held;
  int hold_sleeps = 0;
};

Result Render(const std::vector<int>& partition) {
  Engine e(512);  // block size 128
  Script* s = e.Add<Script>(12);
  Probe* pass = e.Add<Probe>(8);
  Hold* hold = e.Add<Hold>(8);
  Recorder* direct = e.Add<Recorder>(0);
  Recorder* held = e.Add<Recorder>(0);
  UPlug::Connect(s->plugs[Script::kOut], pass->plugs[Probe::kIn]);
  UPlug::Connect(pass->plugs[Probe::kOut], direct->plugs[0]);
  UPlug::Connect(s->plugs[Script::kFloat], hold->plugs[0]);
  UPlug::Connect(hold->plugs[1], held->plugs[0]);
  for (int t : {0, 5, 127, 128, 129, 300, 301, 640, 1000, 1500, 1999})
    s->steps.push_back({t, Script::kOut, ST_RUN, t * 0.5f});
  for (int t : {3, 127, 128, 500, 900, 901, 1400})
    s->steps.push_back({t, Script::kFloat, ST_ONE_OFF, 1.0f + t});
  e.Start();
  Result r;
  int done = 0;
  for (std::size_t i = 0; done < kLength; ++i) {
    const int n = std::min(partition[i % partition.size()], kLength - done);
    e.master.Run(n);
    done += n;
    if (hold->sleeping) ++r.hold_sleeps;
  }
  r.direct = direct->samples;
  r.held = held->samples;
  return r;
}

TEST(PartitionInvariance, SameSamplesForEveryCutOfTheHostCalls) {
  // The expected signals, from the steps alone.
  std::vector<float> want_direct(kLength), want_held(kLength);
  {
    float d = 0.0f, h = 0.0f;
    const std::vector<int> dt = {0, 5, 127, 128, 129, 300, 301, 640, 1000, 1500, 1999};
    const std::vector<int> ht = {3, 127, 128, 500, 900, 901, 1400};
    for (int t = 0; t < kLength; ++t) {
      if (std::find(dt.begin(), dt.end(), t) != dt.end()) d = t * 0.5f;
      if (std::find(ht.begin(), ht.end(), t) != ht.end()) h = 1.0f + t;
      want_direct[t] = d;
      want_held[t] = h;
    }
  }
  std::mt19937 rng(12345);
  std::vector<int> random_cut;
  for (int i = 0; i < 64; ++i) random_cut.push_back(1 + static_cast<int>(rng() % 600));
  const std::vector<std::vector<int>> partitions = {
      {1}, {7}, {100}, {128}, {3 * 128 + 5}, {512}, random_cut};
  for (const auto& p : partitions) {
    const Result r = Render(p);
    EXPECT_EQ(r.direct, want_direct) << "first call size " << p[0];
    EXPECT_EQ(r.held, want_held) << "first call size " << p[0];
    EXPECT_GT(r.hold_sleeps, 0) << "the hold slept between changes";
  }
}

}  // namespace
}  // namespace kv::test
