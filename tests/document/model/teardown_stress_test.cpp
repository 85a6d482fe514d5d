// Whole trees of document objects with watchers attached, torn down in random orders
// (meant to run under AddressSanitizer).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

#include "document/model/control.h"
#include "document/model/param_watcher.h"
#include "tests/document/doc_fixture.h"

namespace kv::test {
namespace {

// Watches one subject; on code 8 it forgets it and may destroy a fellow watcher.
struct Sentinel : Notifiable {
  Notifier* target = nullptr;
  std::vector<std::unique_ptr<Sentinel>>* pool = nullptr;
  std::size_t victim = 0;
  explicit Sentinel(Notifier* t) : target(t) { t->attach(this); }
  ~Sentinel() override {
    if (target) target->detach(this);
  }
  void onNotify(Notifier* from, int32_t code, intptr_t) override {
    if (code != kNotifyDestroyed) return;
    target = nullptr;
    if (pool && victim < pool->size() && (*pool)[victim].get() != this) (*pool)[victim].reset();
  }
};

struct Mirror : ParamWatcher {
  void onValueChanged(intptr_t) override {}
};

TEST(Teardown, RandomTreesWithWatchersInAnyOrder) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    auto doc = std::make_unique<DocFixture>();
    std::vector<CContainer*> containers{doc->root};
    std::vector<CUG*> modules;
    const char* kinds[] = {"T Osc", "T Mix", "T Sel", "T List", "Container", "Slider"};
    for (int i = 0; i < 25; ++i) {
      CContainer* where = containers[pick(containers.size())];
      const char* kind = kinds[pick(6)];
      CUG* m = doc->add(where, kind);
      modules.push_back(m);
      if (auto* c = dynamic_cast<CContainer*>(m)) {
        containers.push_back(c);
        modules.push_back(c->findIOModule());
      }
    }
    // Random connections (refusals are fine).
    doc->messages.setLogToStderr(false);
    for (int i = 0; i < 60; ++i) {
      CUG* a = modules[pick(modules.size())];
      CUG* b = modules[pick(modules.size())];
      if (!a->plugCount() || !b->plugCount()) continue;
      a->plug(static_cast<int>(pick(a->plugCount())))->connect(b->plug(static_cast<int>(pick(b->plugCount()))));
    }
    // Watchers on modules, plugs, lines and parameters.
    std::vector<std::unique_ptr<Sentinel>> sentinels;
    std::vector<std::unique_ptr<Mirror>> mirrors;
    for (CContainer* c : containers)
      for (CDocOb* o : c->children()) {
        sentinels.push_back(std::make_unique<Sentinel>(o));
        if (auto* m = dynamic_cast<CUG*>(o)) {
          for (CPlug2* p : m->plugs()) {
            mirrors.push_back(std::make_unique<Mirror>());
            mirrors.back()->setParameter(p);
            sentinels.push_back(std::make_unique<Sentinel>(p));
          }
          mirrors.push_back(std::make_unique<Mirror>());
          mirrors.back()->setParameter(m->extraParameters().front());
        }
      }
    for (auto& s : sentinels) {
      s->pool = &sentinels;
      s->victim = pick(sentinels.size());
    }
    // Tear down: some watchers first, some objects removed or deleted one by one (whatever
    // is still alive), then the whole document.
    for (int step = 0; step < 15; ++step) {
      switch (pick(5)) {
        case 4: {  // group a random selection of the root's children
          for (CDocOb* o : doc->root->children()) o->setSelected((rng() & 3) == 0, false);
          if (CContainer* g = doc->root->groupSelection()) containers.push_back(g);
          break;
        }
        case 0:
          if (!mirrors.empty()) mirrors.erase(mirrors.begin() + static_cast<long>(pick(mirrors.size())));
          break;
        case 1:
          if (!sentinels.empty()) sentinels[pick(sentinels.size())].reset();
          break;
        default: {
          CContainer* c = containers[pick(containers.size())];
          // Only containers still in the tree.
          bool alive = c == doc->root;
          std::vector<CContainer*> stack{doc->root};
          while (!stack.empty() && !alive) {
            CContainer* top = stack.back();
            stack.pop_back();
            for (CDocOb* o : top->children()) {
              if (o == c) alive = true;
              if (auto* sub = dynamic_cast<CContainer*>(o)) stack.push_back(sub);
            }
          }
          if (!alive || c->children().empty()) break;
          CDocOb* victim = c->children()[pick(c->children().size())];
          if (rng() & 1) victim->remove();
          else delete victim;
          break;
        }
      }
    }
    if (seed & 1) {
      doc.reset();
      mirrors.clear();
      sentinels.clear();
    } else {
      mirrors.clear();
      doc.reset();
      sentinels.clear();
    }
  }
}

}  // namespace
}  // namespace kv::test
