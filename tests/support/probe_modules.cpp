#include "tests/support/probe_modules.h"

#include "engine/audio_master.h"
#include "engine/ug_container.h"
#include "engine/ug_notesource.h"
#include "engine/voice.h"
#include "modules/registry/module_info.h"
#include "modules/registry/module_registry.h"

namespace kv::test {

std::atomic<int> g_live_cut_modules{0};

namespace {

VoiceLog* g_log = nullptr;

class TestRamp : public ug_base {
 public:
  TestRamp() { SetProcessFunction(&TestRamp::Play); }
  ug_base* CreateObject() override { return new TestRamp; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsIn(&gain, "Gain").Default("10"));
    list.push_back(VoltsOut(&out, "Out"));
  }
  void Open() override {
    ug_base::Open();
    plugs[1]->TransmitState(clock, ST_RUN);
  }
  bool CanSleep() override { return false; }
  void Play(int offset, int count) {
    for (int i = 0; i < count; ++i)
      out[offset + i] = static_cast<float>((clock + i) % 97) / 128.0f * gain[offset + i];
  }
  float* gain = nullptr;
  float* out = nullptr;
};

class TestEnv : public ug_base {
 public:
  TestEnv() { SetProcessFunction(&TestEnv::Silent); }
  ug_base* CreateObject() override { return new TestEnv; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsIn(&gate, "Gate").Default("0"));
    list.push_back(VoltsOut(&out, "Out"));
  }
  void Open() override {
    ug_base::Open();
    auto* box = dynamic_cast<ug_container*>(container);
    if (box && voice_tag >= 0 && box->voices[voice_tag]->note_source)
      static_cast<ug_notesource*>(box->voices[voice_tag]->note_source)->RegisterQuickRelease(this);
  }
  void OnPlugStateChange(sample_clock time, Connection*, state_type) override {
    const float g = PlugValue(0);
    if (g > 0.0f && !on_) {
      on_ = true;
      silent_ = false;
      SetProcessFunction(&TestEnv::Play);
      plugs[1]->TransmitState(time, ST_RUN);
    } else if (g <= 0.0f && on_) {
      on_ = false;
      PostRunFunction(time + kEnvRelease, &TestEnv::GoSilent);
    }
  }
  void HandleEvent(ug_event* e) override {
    if (e->type == UET_QUICK_RELEASE && g_log)
      g_log->push_back({voice_tag, -UET_QUICK_RELEASE, e->time, clock, e->arg1, e->arg2, e->arg3});
    ug_base::HandleEvent(e);
  }
  void GoSilent() {
    if (on_ || silent_) return;
    silent_ = true;
    SetProcessFunction(&TestEnv::Silent);
    RunOneThenStatic();
    plugs[1]->TransmitState(clock, ST_ONE_OFF);
  }
  void Play(int offset, int count) {
    for (int i = 0; i < count; ++i) out[offset + i] = static_cast<float>((clock + i) % 16) / 1024.0f + 0.125f;
  }
  void Silent(int offset, int count) {
    for (int i = 0; i < count; ++i) out[offset + i] = 0.0f;
  }
  float* gate = nullptr;
  float* out = nullptr;

 private:
  bool on_ = false;
  bool silent_ = true;
};

class TestCut : public ug_base {
 public:
  TestCut() {
    ++g_live_cut_modules;
    SetProcessFunction(&TestCut::Pass);
  }
  ~TestCut() override { --g_live_cut_modules; }
  ug_base* CreateObject() override { return new TestCut; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(VoltsIn(&in, "In").Default("0"));
    list.push_back(VoltsOut(&out, "Out"));
  }
  void Open() override {
    ug_base::Open();
    plugs[1]->TransmitState(clock, ST_RUN);
  }
  bool CanSleep() override { return false; }
  void Pass(int offset, int count) {
    for (int i = 0; i < count; ++i) out[offset + i] = in[offset + i];
  }
  float* in = nullptr;
  float* out = nullptr;
};

template <class T>
ug_base* Make() {
  return new T;
}

ug_base* MakeNotes() { return new NoteProbe(g_log); }

}  // namespace

void SetVoiceLog(VoiceLog* log) { g_log = log; }

void RegisterProbeModules() {
  ModuleRegistry& r = GetModuleRegistry();
  struct Entry {
    const char* id;
    UgFactory factory;
    uint32_t flags;
  };
  static const Entry entries[] = {
      {"Test Ramp", &Make<TestRamp>, 0x100},
      {"Test Notes", &MakeNotes, 0x120},
      {"Test Env", &Make<TestEnv>, 0x100},
      {"Test Cut", &Make<TestCut>, 0x100},
  };
  for (const Entry& e : entries)
    if (!r.FindModuleInfo(e.id)) r.RegisterModule(new Module_Info(e.id, nullptr, e.factory, e.flags));
}

}  // namespace kv::test
