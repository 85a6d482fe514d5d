// An application for plug-in object tests: a patch container with panel controls built in
// memory, an engine that is a bare audio master, host MIDI echoed back to the host, and a
// record of every host value handed to the engine.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "doc/model/container.h"
#include "doc/model/control.h"
#include "doc/model/document.h"
#include "engine/audio_master.h"
#include "engine/engine_host.h"
#include "modules/registry/module_registry.h"
#include "plugin/kv_vst_application.h"
#include "plugin/midi_to_host.h"
#include "tests/doc/doc_fixture.h"

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
      CUG* osc = dynamic_cast<CUG*>(registry.CreateModule("T Osc"));
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
  KvAudioMaster* Master() override { return master.get(); }
  void ServiceRefreshQueue() override { ++serviced; }
  void SetHostBuffers(float**, float** outputs, bool replacing) override {
    last_outputs = outputs;
    last_replacing = replacing;
  }
  void DeliverHostMidi(sample_clock time, uint32_t message) override {
    if (midi.size() < midi.capacity()) midi.emplace_back(time, message);
  }
  void CollectMidiForHost(sample_clock start, int32_t frames, MidiToHost& out) override {
    size_t taken = 0;
    while (taken < midi.size() && midi[taken].first - start < frames && !out.full()) {
      out.add(static_cast<int32_t>(midi[taken].first - start), midi[taken].second);
      ++taken;
    }
    midi.erase(midi.begin(), midi.begin() + static_cast<long>(taken));
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
  float** last_outputs = nullptr;
  bool last_replacing = true;
  HostParameterSource* source = nullptr;
  std::unique_ptr<KvAudioMaster> master;
  std::vector<std::pair<sample_clock, uint32_t>> midi;
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
