#pragma once
// Signal sources and a recorder for tests of single unit generators on the engine rig.
//   Signal   - an output whose samples come from a function of the sample clock; streams
//              (ST_RUN) from the start, or, when static, sends its value once at open,
//              writes a constant block and sleeps.
//   Recorder - keeps every sample of its audio input, in clock order.
//   Wire, Constant, Stream, RunCalls - connecting, adding sources, running in host calls.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "tests/support/engine_rig.h"

namespace kv::test {

class Signal : public ug_base {
 public:
  ug_base* CreateObject() override { return new Signal; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsOut(&out, "Out"));
  }
  void Open() override {
    ug_base::Open();
    if (streaming) {
      SetProcessFunction(&Signal::Write);
      plugs[0]->TransmitState(clock, ST_RUN);
    } else {  // one value, then a full constant block, then asleep
      plugs[0]->block()->Fill(fn(clock));
      plugs[0]->TransmitState(clock, ST_ONE_OFF);
      ResetStaticOutput();
      SetProcessFunction(&Signal::sub_process_static);
    }
  }
  void Write(int offset, int count) {
    for (int i = 0; i < count; ++i) out[offset + i] = fn(clock + i);
  }
  std::function<float(int64_t)> fn = [](int64_t) { return 0.0f; };
  bool streaming = true;
  float* out = nullptr;
};

class Recorder : public ug_base {
 public:
  ug_base* CreateObject() override { return new Recorder; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsIn(&in, "In").Default("0"));
  }
  Recorder() { SetProcessFunction(&Recorder::Keep); }
  void Keep(int offset, int count) { samples.insert(samples.end(), in + offset, in + offset + count); }
  float* in = nullptr;
  std::vector<float> samples;
};

inline void Wire(ug_base* from, int out_plug, ug_base* to, int in_plug) {
  UPlug::Connect(from->plugs[out_plug], to->plugs[in_plug]);
}

// A constant source for a volts input (value in sample units, 1.0 = 10 V).
inline Signal* Constant(Engine& e, float value, int order = 100) {
  Signal* s = e.Add<Signal>(order);
  s->streaming = false;
  s->fn = [value](int64_t) { return value; };
  return s;
}

inline Signal* Stream(Engine& e, std::function<float(int64_t)> fn, int order = 100) {
  Signal* s = e.Add<Signal>(order);
  s->fn = std::move(fn);
  return s;
}

// Runs `total` samples in host calls of the given sizes (repeated).
inline void RunCalls(Engine& e, int64_t total, const std::vector<int>& calls) {
  std::size_t k = 0;
  while (total > 0) {
    const int n = static_cast<int>(std::min<int64_t>(calls[k % calls.size()], total));
    e.master.Run(n);
    total -= n;
    ++k;
  }
}

}  // namespace kv::test
