#pragma once
// Graphs for the MIDI module tests, built with GraphBuilder.
//   Const     - a constant voltage source (a one-off at open, then static).
//   ToCvPatch - MIDI feed -> [container with "Midi to CV"] -> a recorder on each output.
//   Render    - runs a master to a time in host calls of given sizes.
#include <functional>
#include <memory>
#include <vector>

#include "modules/midi/midi_to_cv.h"
#include "tests/support/voice_rig.h"

namespace kv::test {

class Const : public ug_base {
 public:
  explicit Const(float v = 0.0f) : value(v) { SetProcessFunction(&Const::Write); }
  ug_base* CreateObject() override { return new Const(value); }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsOut(&out, "Out"));
  }
  void Open() override {
    ug_base::Open();
    RunOneThenStatic();
    plugs[0]->TransmitState(clock, ST_ONE_OFF);
  }
  void Write(int offset, int count) {
    for (int i = 0; i < count; ++i) out[offset + i] = value;
  }
  float value;
  float* out = nullptr;
};

// Runs `master` up to `end` in host calls whose sizes `next_call` gives.
inline void Render(KvAudioMaster& master, int64_t end, const std::function<int()>& next_call) {
  while (master.clock < end)
    master.Run(static_cast<int>(std::min<int64_t>(next_call(), end - master.clock)));
}

struct ToCvPatch {
  // `voices` voices; `portamento_volts` >= 0 feeds "Portamento Time" from a constant.
  explicit ToCvPatch(int voices, int length, float portamento_volts = -1.0f, int host_block = 512,
                     float rate = 48000.0f)
      : master(&host, host_block, rate) {
    feed = b.Add<MidiFeed>(b.root());
    box = b.AddContainer(b.root(), true);
    box->plugs[ug_container::kPolyphony]->SetValueFromText(std::to_string(voices));
    cv = b.Add<ug_midi_to_cv>(box);
    auto [midi_outer, midi_inner] = b.AddContainerIo(box, dt_midi);
    b.Connect(feed->plugs[0], midi_outer);
    b.Connect(midi_inner, cv->plugs[ug_midi_to_cv::kMidiIn]);
    if (portamento_volts >= 0.0f) {
      auto* c = static_cast<Const*>(b.Add(b.root(), new Const(portamento_volts / 10.0f)));
      auto [outer, inner] = b.AddContainerIo(box, dt_volts);
      b.Connect(c->plugs[0], outer);
      b.Connect(inner, cv->plugs[ug_midi_to_cv::kPortamentoTime]);
    }
    for (int i = 0; i < 4; ++i) {
      auto [outer, inner] = b.AddContainerIo(box, dt_volts);
      rec[i] = static_cast<Recorder*>(b.Add(b.root(), new Recorder(length)));
      b.Connect(cv->plugs[ug_midi_to_cv::kGate + i], inner);
      b.Connect(outer, rec[i]->plugs[0]);
    }
  }
  void Start() {
    feed->Sort();
    b.Build();
    root = b.TakeRoot();
    master.Start(root.get());
    master.SetRunning(true);
  }
  const std::vector<float>& gate() const { return rec[0]->samples; }
  const std::vector<float>& pitch() const { return rec[1]->samples; }
  const std::vector<float>& velocity() const { return rec[2]->samples; }
  const std::vector<float>& aftertouch() const { return rec[3]->samples; }

  MessageHost host;
  KvAudioMaster master;
  GraphBuilder b{master};
  std::unique_ptr<ug_container> root;
  MidiFeed* feed;
  ug_container* box;
  ug_midi_to_cv* cv;
  Recorder* rec[4];
};

}  // namespace kv::test

namespace kv::test {

// A flat graph in the root container: MIDI feeds, the module under test, sinks and
// recorders, wired by the test.
struct FlatPatch {
  explicit FlatPatch(int host_block = 512, float rate = 48000.0f) : master(&host, host_block, rate) {}
  template <typename T>
  T* Add(T* u) {
    return static_cast<T*>(b.Add(b.root(), u));
  }
  MidiFeed* Feed(std::vector<MidiFeed::Record> records) {
    auto* f = Add(new MidiFeed);
    f->records = std::move(records);
    return f;
  }
  Recorder* Record(UPlug* out, int length) {
    auto* r = Add(new Recorder(length));
    b.Connect(out, r->plugs[0]);
    return r;
  }
  MidiSink* Sink(UPlug* out) {
    auto* s = Add(new MidiSink);
    b.Connect(out, s->plugs[0]);
    return s;
  }
  void Start() {
    b.Build();
    root = b.TakeRoot();
    master.Start(root.get());
    master.SetRunning(true);
  }
  void RunTo(int64_t end, int call = 512) {
    Render(master, end, [call] { return call; });
  }

  MessageHost host;
  KvAudioMaster master;
  GraphBuilder b{master};
  std::unique_ptr<ug_container> root;
};

// A streaming voltage fn(t).
class Wave : public ug_base {
 public:
  explicit Wave(std::function<float(int64_t)> fn) : fn_(std::move(fn)) { SetProcessFunction(&Wave::Write); }
  ug_base* CreateObject() override { return new Wave(fn_); }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsOut(&out, "Out"));
  }
  void Open() override {
    ug_base::Open();
    plugs[0]->TransmitState(clock, ST_RUN);
  }
  void Write(int offset, int count) {
    for (int i = 0; i < count; ++i) out[offset + i] = fn_(clock + i);
  }
  float* out = nullptr;

 private:
  std::function<float(int64_t)> fn_;
};

}  // namespace kv::test
