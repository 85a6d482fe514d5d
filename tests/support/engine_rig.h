#pragma once
// The engine test rig: unit generators that record or drive what the engine does, and a
// master with a top group to run them in (any test area may use it).
//   Probe  - records every process call (clock, offset, count), every event it handles
//            and every state change; passes its audio input to its output.
//   Script - transmits given states and values at given times on its outputs.
//   Group  - a stand-in top container: opens its members after itself.
//   Steps  - a voltage that holds a value and changes it by one-offs at given times.
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "engine/audio_master.h"
#include "engine/ug_base.h"

namespace kv::test {

struct Call {
  int64_t clock;
  int offset;
  int count;
  bool operator==(const Call&) const = default;
};

struct Handled {
  int64_t at;  // the probe's clock when it handled the event
  int32_t type;
  int32_t arg1;
  int32_t arg2;
};

class Probe : public ug_base {
 public:
  enum { kIn, kOut, kValue, kLevel, kText };
  Probe() {
    calls.reserve(4096);
    handled.reserve(4096);
    ui.reserve(4096);
    SetProcessFunction(&Probe::Record);
  }
  ug_base* CreateObject() override { return new Probe; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsIn(&in, "In").Default("0"));
    list.push_back(VoltsOut(&out, "Out"));
    list.push_back(FloatIn(&value, "Value").Default("0"));
    list.push_back(EnumIn(&level, "Level", "").Default("0"));
    list.push_back(TextIn(&text, "Text"));
  }
  void Record(int offset, int count) {
    calls.push_back({clock, offset, count});
    for (int i = 0; i < count; ++i) out[offset + i] = in[offset + i];
    if (on_process) on_process(*this, offset, count);
  }
  void HandleEvent(ug_event* e) override {
    handled.push_back({clock, e->type, e->arg1, e->arg2});
    ug_base::HandleEvent(e);
  }
  void OnUiMessage(int32_t kind, int32_t argument) override {
    ui.push_back({clock, kind, argument});
    ug_base::OnUiMessage(kind, argument);
  }
  struct Ui {
    int64_t at;
    int32_t kind, argument;
  };

  float* in = nullptr;
  float* out = nullptr;
  float value = 0.0f;
  int16_t level = 0;
  TextValue text;
  std::vector<Call> calls;
  std::vector<Handled> handled;
  std::vector<Ui> ui;
  std::function<void(Probe&, int, int)> on_process;
};

class Script : public ug_base {
 public:
  enum { kOut, kFloat, kEnum };
  static constexpr int32_t kStepEvent = 100;
  struct Step {
    int64_t time;
    int plug;
    state_type state;
    float value;
  };
  ug_base* CreateObject() override { return new Script; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsOut(&out, "Out"));
    list.push_back(FloatOut(&fvalue, "Float"));
    list.push_back(EnumOut(&evalue, "Enum"));
  }
  Script() { SetProcessFunction(&Script::Write); }
  void Open() override {
    ug_base::Open();
    for (std::size_t i = 0; i < steps.size(); ++i)
      AddEvent(steps[i].time, kStepEvent, static_cast<int32_t>(i));
  }
  int EventReserve() const override {
    return ug_base::EventReserve() + static_cast<int>(steps.size());
  }
  void HandleEvent(ug_event* e) override {
    if (e->type != kStepEvent) return ug_base::HandleEvent(e);
    const Step& s = steps[e->arg1];
    if (s.plug == kOut) current = s.value;
    if (s.plug == kFloat) fvalue = s.value;
    if (s.plug == kEnum) evalue = static_cast<int16_t>(s.value);
    plugs[s.plug]->TransmitState(clock, s.state);
  }
  void Write(int offset, int count) {
    for (int i = 0; i < count; ++i) out[offset + i] = current;
  }
  std::vector<Step> steps;
  float* out = nullptr;
  float current = 0.0f;
  float fvalue = 0.0f;
  int16_t evalue = 0;
};

class Group : public ug_base {
 public:
  ug_base* CreateObject() override { return new Group; }
  void Open() override {
    ug_base::Open();
    SetProcessFunction(&Group::sub_process_sleep);
    for (ug_base* m : members) {
      m->master = master;
      m->Open();
    }
  }
  std::vector<ug_base*> members;
};

class Steps : public ug_base {
 public:
  static constexpr int32_t kStep = 101;
  explicit Steps(float initial = 0.0f, std::vector<std::pair<int64_t, float>> changes = {})
      : initial(initial), changes(std::move(changes)) {
    SetProcessFunction(&Steps::Write);
  }
  ug_base* CreateObject() override { return new Steps(initial, changes); }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsOut(&out, "Out"));
  }
  int EventReserve() const override {
    return ug_base::EventReserve() + static_cast<int>(changes.size());
  }
  void Open() override {
    ug_base::Open();
    current = initial;
    plugs[0]->TransmitState(clock, ST_ONE_OFF);
    for (std::size_t i = 0; i < changes.size(); ++i)
      AddEvent(changes[i].first, kStep, static_cast<int32_t>(i));
  }
  void HandleEvent(ug_event* e) override {
    if (e->type != kStep) return ug_base::HandleEvent(e);
    current = changes[e->arg1].second;
    plugs[0]->TransmitState(clock, ST_ONE_OFF);
  }
  void Write(int offset, int count) {
    for (int i = 0; i < count; ++i) out[offset + i] = current;
  }
  float initial;
  std::vector<std::pair<int64_t, float>> changes;
  float current = 0.0f;
  float* out = nullptr;
};

// A master, a top group and the unit generators of one test. Declared so that the unit
// generators go before the master.
struct Engine {
  explicit Engine(int host_block = 512, float rate = 48000.0f, EngineHost* host = nullptr)
      : master(host, host_block, rate) {}
  template <typename T>
  T* Add(int sort_order) {
    auto u = std::make_unique<T>();
    u->master = &master;
    u->sort_order = sort_order;
    u->BuildPlugsFromDeclarations();
    T* raw = u.get();
    top.members.push_back(raw);
    owned.push_back(std::move(u));
    return raw;
  }
  void Start() {
    top.master = &master;
    top.sort_order = 1000000;
    master.Start(&top);
    master.SetRunning(true);
  }
  ~Engine() {
    owned.clear();  // before the master and the group's own plugs
  }
  KvAudioMaster master;
  Group top;
  std::vector<std::unique_ptr<ug_base>> owned;
};

inline Steps* AddSteps(Engine& e, float initial, std::vector<std::pair<int64_t, float>> changes = {},
                       int order = 100) {
  Steps* s = e.Add<Steps>(order);
  s->initial = initial;
  s->changes = std::move(changes);
  return s;
}

}  // namespace kv::test
