// An application for plug-in object tests: a patch container with panel controls built in
// memory, an engine that is a bare audio master behind the application's engine gate, host
// MIDI echoed back to the host, and a record of every host value handed to the engine.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "app/engine_gate.h"
#include "app/kv_vst_application.h"
#include "document/model/container.h"
#include "document/model/control.h"
#include "document/model/document.h"
#include "engine/audio_master.h"
#include "engine/engine_host.h"
#include "modules/registry/module_registry.h"
#include "plugin/midi_to_host.h"
#include "tests/document/doc_fixture.h"
#include "document/model/module_factory.h"

namespace kv::test {

// A knob whose normalised value maps linearly onto 0..10 volts.
class TestKnob : public CControl {
 public:
  explicit TestKnob(Module_Info* type) : CControl(type, CControl::kFloat) {}
  void setNormalised(double x) override { SetValue(-1, x * 10.0); }
};

class FakeKvVstApp : public KvVstApplication, private EngineHost {
 public:
  // A patch named `title` with one knob per name (values 0 everywhere) and `outputs`
  // audio outputs.
  explicit FakeKvVstApp(const std::vector<std::string>& sliders, const std::string& title = "Fake Patch",
                        int outputs = 2) {
    registerTestTypes();
    ModuleRegistry& registry = GetModuleRegistry();
    root = new CContainer(registry.FindModuleInfo("Container"));
    doc.setRoot(root);
    patch = new CContainer(registry.FindModuleInfo("Container"));
    root->adopt(patch);
    patch->setTitle(title);
    int id = 100;
    for (const std::string& name : sliders) {
      auto* c = new TestKnob(registry.FindModuleInfo("Slider"));
      patch->adopt(c);
      c->setTitle(name);
      c->setControlId(id++);
      controls.push_back(c);
    }
    if (outputs > 0) {
      // Audio leaves the patch through its IO module's spare plugs.
      CUG* osc = dynamic_cast<CUG*>(CreateDocumentModule("T Osc"));
      patch->adopt(osc);
      CUG* io = patch->findIOModule();
      for (int i = 0; i < outputs; ++i) {
        CPlug2* spare = nullptr;
        for (CPlug2* p : io->plugs())
          if (p->lines().empty()) spare = p;
        if (spare) osc->findPlug("Audio Out")->connect(spare);
      }
    }
    sent.reserve(256);
    settings.unique_id = 0x4B764678;
    settings.vendor_text = "Korvane";
    settings.product_text = "Fake Product";
  }

  bool InitInstance() override { return load_ok; }
  CContainer* GetPatchContainer() const override { return load_ok ? patch : nullptr; }
  KvVstPatchSettings PatchSettings() const override { return settings; }
  void AttachPlugin(KvVstPlugin* p) override { plugin = p; }
  bool WireHostIo() override { return ++wired > 0; }
  bool StartEngineVst(float rate, int32_t block) override {
    StopEngineVst();
    ++starts;
    last_rate = rate;
    last_block = block;
    if (fail_build) return false;
    master = std::make_unique<KvAudioMaster>(static_cast<EngineHost*>(this), block, rate);
    master->Start(nullptr);
    master->SetRunning(true);
    gate.Open();
    return true;
  }
  void StopEngineVst() override {
    gate.Close(std::chrono::milliseconds(10), 300);
    master.reset();
  }
  bool EngineGateOpen() const override { return gate.is_open(); }
  void ServiceRefreshQueue() override { ++serviced; }
  void RequestHostParameters() override { params_requested.store(true); }
  // The patch plays 0.5 on every output and echoes the host's MIDI back to it; silence
  // (replacing) while no engine runs.
  int ProcessHostCall(const float* const*, int, float* const* outputs, int output_count, int frames,
                      bool replacing, std::span<const MidiEvent> in, std::span<MidiEvent> out) override {
    last_replacing = replacing;
    const bool running = gate.Enter();
    if (running && params_requested.exchange(false)) master->SetHostParamsPending();
    if (running) master->Run(frames);
    const float level = running ? 0.5f : 0.0f;
    for (int c = 0; c < output_count; ++c)
      for (int i = 0; i < frames; ++i) outputs[c][i] = replacing ? level : outputs[c][i] + level;
    std::size_t n = 0;
    if (running)
      for (; n < in.size() && n < out.size(); ++n) out[n] = in[n];
    if (running) gate.Leave();
    return static_cast<int>(n);
  }
  void SendHostValueToEngine(generic_parameter* control, float value) override {
    if (sent.size() < sent.capacity()) sent.emplace_back(control, value);
  }

  Document doc;
  CContainer* root = nullptr;
  CContainer* patch = nullptr;
  std::vector<CControl*> controls;
  KvVstPatchSettings settings;
  bool load_ok = true;
  bool fail_build = false;
  int wired = 0, starts = 0, serviced = 0;
  float last_rate = 0;
  int32_t last_block = 0;
  bool last_replacing = true;
  KvVstPlugin* plugin = nullptr;
  EngineGate gate;
  std::atomic<bool> params_requested{false};
  std::unique_ptr<KvAudioMaster> master;
  std::vector<std::pair<generic_parameter*, float>> sent;

 private:
  void ApplyPendingHostParameters() override {
    if (plugin) plugin->ApplyHostParameters();
  }
  const TimeInfo* FetchHostTimeInfo(int32_t) override { return nullptr; }
  void QueueModuleMessage(const ModuleMessage&) override {}
  void QueueDocumentRefresh(DocumentModule*) override {}
};

}  // namespace kv::test
