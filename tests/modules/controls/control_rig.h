#pragma once
// A small running patch for the control modules: document modules made through the
// registry, their unit generators built into a real engine, a recorder on any output, and
// an owner that applies pending host parameters and keeps refresh requests.
#include <memory>
#include <vector>

#include "document/model/control.h"
#include "engine/audio_master.h"
#include "engine/graph_builder.h"
#include "tests/document/doc_fixture.h"
#include "tests/support/signal_rig.h"

namespace kv::test {

struct ControlRig : EngineHost {
  DocFixture doc;
  KvAudioMaster master;
  std::unique_ptr<ug_container> root;
  std::unique_ptr<GraphBuilder> builder;
  std::vector<std::pair<CControl*, float>> host_values;
  std::vector<DocumentModule*> refreshes;
  std::vector<CUG*> modules;

  explicit ControlRig(int host_block = 64, float rate = 48000.0f)
      : master(this, host_block, rate), builder(std::make_unique<GraphBuilder>(master)) {}
  ~ControlRig() override {
    for (CUG* m : modules) m->clearRuntime();
    root.reset();
    builder.reset();
  }

  template <typename Doc, typename Ug>
  std::pair<Doc*, Ug*> add(const std::string& type) {
    auto* m = doc.add<Doc>(doc.root, type);
    modules.push_back(m);
    ug_base* u = m->createRuntime();
    builder->Add(builder->root(), u);
    return {m, static_cast<Ug*>(u)};
  }
  Recorder* record(ug_base* from, int plug) {
    auto* r = static_cast<Recorder*>(builder->Add(builder->root(), new Recorder));
    builder->Connect(from->GetPlug(plug), r->GetPlug(0));
    return r;
  }
  void start() {
    builder->Build();
    root = builder->TakeRoot();
    master.Start(root.get());
    master.SetRunning(true);
  }
  void hostParameter(CControl* c, float value) {
    host_values.emplace_back(c, value);
    master.SetHostParamsPending();
  }
  // Serves refresh requests as the user-interface thread would.
  void serveRefreshes() {
    const std::vector<DocumentModule*> queued = refreshes;
    refreshes.clear();  // keeps its capacity: queueing must not allocate on the audio side
    for (DocumentModule* m : queued) m->refresh();
  }

  void ApplyPendingHostParameters() override {
    for (auto& [c, v] : host_values) c->applyHostValue(v);
    host_values.clear();
  }
  const TimeInfo* FetchHostTimeInfo(int32_t) override { return nullptr; }
  void QueueModuleMessage(const ModuleMessage&) override {}
  void QueueDocumentRefresh(DocumentModule* m) override { refreshes.push_back(m); }
};

}  // namespace kv::test
