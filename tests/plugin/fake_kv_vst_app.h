// An application for plug-in object tests: a patch container with panel controls built in
// memory, an engine that is a bare audio master, host MIDI echoed back to the host, and a
// record of every host value handed to the engine.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "document/model/container.h"
#include "document/model/control.h"
#include "document/model/document.h"
#include "engine/audio_master.h"
#include "engine/engine_host.h"
#include "modules/registry/module_registry.h"
#include "plugin/kv_vst_application.h"
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
    midi.reserve(256);
    sent.reserve(256);
    settings.unique_id = 0x4B764678;
    settings.vendor_text = "Korvane";
    settings.product_text = "Fake Product";
  }

  bool InitInstance() override { return load_ok; }
  CContainer* PatchContainer() override { return load_ok ? patch : nullptr; }
  KvVstPatchSettings PatchSettings() override { return settings; }
  void AttachHostParameters(HostParameterSource* s) override { source = s; }
  void AttachTimeInfo(std::function<const TimeInfo*(int32_t)> s) override { time_info = std::move(s); }
  void WireHostIo() override { ++wired; }
  bool StartEngine(float rate, int32_t block) override {
    master.reset();
    ++starts;
    last_rate = rate;
    last_block = block;
    if (fail_build) return false;
    master = std::make_unique<KvAudioMaster>(static_cast<EngineHost*>(this), block, rate);
    master->Start(nullptr);
    master->SetRunning(true);
    return true;
  }
  void StopEngine() override { master.reset(); }
  bool HasEngine() override { return master != nullptr; }
  void ServiceRefreshQueue() override { ++serviced; }
  void RequestHostParameters() override {
    if (master) master->SetHostParamsPending();
  }
  // The patch plays 0.5 on every output and echoes the host's MIDI back to it.
  void ProcessHostCall(const float* const*, int32_t, float* const* outputs, int32_t output_count,
                       int32_t frames, bool replacing, const HostMidi* in, int32_t count) override {
    last_replacing = replacing;
    midi.clear();
    for (int32_t i = 0; i < count; ++i) midi.emplace_back(in[i].delta_frames, in[i].message);
    if (master) master->Run(frames);
    for (int32_t c = 0; c < output_count; ++c)
      for (int32_t i = 0; i < frames; ++i) outputs[c][i] = replacing ? 0.5f : outputs[c][i] + 0.5f;
  }
  int32_t TakeHostMidiOut(HostMidi* out, int32_t capacity) override {
    int32_t n = 0;
    for (; n < capacity && n < static_cast<int32_t>(midi.size()); ++n)
      out[n] = HostMidi{static_cast<int32_t>(midi[n].first), midi[n].second};
    midi.clear();
    return n;
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
  std::function<const TimeInfo*(int32_t)> time_info;
  HostParameterSource* source = nullptr;
  std::unique_ptr<KvAudioMaster> master;
  std::vector<std::pair<sample_clock, uint32_t>> midi;  // of the current call
  std::vector<std::pair<generic_parameter*, float>> sent;

 private:
  void ApplyPendingHostParameters() override {
    if (source) source->ApplyHostParameters();
  }
  const TimeInfo* FetchHostTimeInfo(int32_t) override { return nullptr; }
  void QueueModuleMessage(const ModuleMessage&) override {}
  void QueueDocumentRefresh(DocumentModule*) override {}
};

}  // namespace kv::test
