// The input sources of the module benchmarks: an output playing a precomputed loop, so
// that a streaming input costs little more than a copy; a static source sends one change
// and holds (and sleeps).
#pragma once

#include <utility>
#include <vector>

#include "engine/ug_base.h"
#include "tests/support/engine_rig.h"

namespace kv::bench {

class Loop : public ug_base {
 public:
  ug_base* CreateObject() override { return new Loop; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsOut(&out, "Out"));
  }
  void Open() override {
    ug_base::Open();
    if (streaming) {
      SetProcessFunction(&Loop::Write);
      plugs[0]->TransmitState(clock, ST_RUN);
    } else {
      plugs[0]->block()->Fill(data[0]);
      plugs[0]->TransmitState(clock, ST_ONE_OFF);
      SetProcessFunction(&Loop::sub_process_static);
      ResetStaticOutput();
    }
  }
  void Write(int offset, int count) {
    for (int i = 0; i < count; ++i) {
      out[offset + i] = data[pos];
      pos = pos + 1 == data.size() ? 0 : pos + 1;
    }
  }
  std::vector<float> data;
  std::size_t pos = 0;
  bool streaming = false;
  float* out = nullptr;
};

// A loop source feeding `plug` of `to`.
inline Loop* Source(test::Engine& e, ug_base* to, int plug, bool streaming, std::vector<float> data) {
  Loop* l = e.Add<Loop>(100);
  l->streaming = streaming;
  l->data = std::move(data);
  UPlug::Connect(l->plugs[0], to->plugs[plug]);
  return l;
}

}  // namespace kv::bench
