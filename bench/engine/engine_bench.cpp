// Cost of the engine's scheduling: an empty run, and chains of pass-through unit
// generators, at host blocks of 64 and 512 samples (48 kHz).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "engine/audio_master.h"
#include "engine/ug_base.h"

namespace kv {
namespace {

class Source : public ug_base {
 public:
  ug_base* CreateObject() override { return new Source; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsOut(&out, "Out"));
  }
  Source() { SetProcessFunction(&Source::Ramp); }
  void Open() override {
    ug_base::Open();
    plugs[0]->TransmitState(clock, ST_RUN);
  }
  // A precomputed ramp, so the source costs about what a pass-through costs.
  void Ramp(int offset, int count) {
    for (int i = 0; i < count; ++i) out[offset + i] = ramp[offset + i];
  }
  float* out = nullptr;
  std::vector<float> ramp = std::vector<float>(8192, 0.25f);
};

class PassThrough : public ug_base {
 public:
  ug_base* CreateObject() override { return new PassThrough; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsIn(&in, "In").Default("0"));
    list.push_back(VoltsOut(&out, "Out"));
  }
  PassThrough() { SetProcessFunction(&PassThrough::Copy); }
  void OnPlugStateChange(sample_clock time, Connection* c, state_type s) override {
    plugs[1]->TransmitState(time, s == ST_RUN ? ST_RUN : ST_ONE_OFF);
  }
  void Copy(int offset, int count) {
    for (int i = 0; i < count; ++i) out[offset + i] = in[offset + i];
  }
  float* in = nullptr;
  float* out = nullptr;
};

class Top : public ug_base {
 public:
  ug_base* CreateObject() override { return new Top; }
  void Open() override {
    ug_base::Open();
    SetProcessFunction(&Top::sub_process_sleep);
    for (ug_base* m : members) m->Open();
  }
  std::vector<ug_base*> members;
};

struct Patch {
  Patch(int host_block, int chain) : master(nullptr, host_block, 48000.0f) {
    top.master = &master;
    top.sort_order = 1 << 20;
    if (chain > 0) {
      auto src = std::make_unique<Source>();
      Add(std::move(src), 4 * chain);
      for (int i = 0; i < chain; ++i) {
        Add(std::make_unique<PassThrough>(), 4 * (chain - 1 - i));
        UPlug::Connect(units[units.size() - 2]->plugs.back(), units.back()->plugs[0]);
      }
    }
    master.Start(&top);
    master.SetRunning(true);
  }
  ~Patch() { units.clear(); }
  void Add(std::unique_ptr<ug_base> u, int order) {
    u->master = &master;
    u->sort_order = order;
    u->BuildPlugsFromDeclarations();
    top.members.push_back(u.get());
    units.push_back(std::move(u));
  }
  KvAudioMaster master;
  Top top;
  std::vector<std::unique_ptr<ug_base>> units;
};

void BM_EngineRun(benchmark::State& state) {
  const int host_block = static_cast<int>(state.range(0));
  const int chain = static_cast<int>(state.range(1));
  Patch patch(host_block, chain);
  for (auto _ : state) {
    patch.master.Run(host_block);
    benchmark::ClobberMemory();
  }
  const double calls = static_cast<double>(state.iterations());
  const double blocks = calls * host_block / patch.master.block_size();
  state.counters["ns_per_sample"] = benchmark::Counter(
      calls * host_block, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["ns_per_block"] =
      benchmark::Counter(blocks, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["ns_per_ug_sample"] = benchmark::Counter(
      calls * host_block * (chain > 0 ? chain + 1 : 1),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetLabel("engine block " + std::to_string(patch.master.block_size()));
}

// Arguments: host block, number of pass-through generators after the source (0 = empty).
BENCHMARK(BM_EngineRun)
    ->ArgsProduct({{64, 512}, {0, 1, 8, 64}})
    ->ArgNames({"host", "chain"});

}  // namespace
}  // namespace kv
