// Notification survives watchers that detach themselves or others, attach new ones, or
// destroy the subject during a notice.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "document/model/notifier.h"
#include "document/model/param_watcher.h"

namespace kv {
namespace {

struct Recorder : Notifiable {
  std::vector<std::pair<int, intptr_t>> got;
  std::function<void(Notifier*, int)> action;
  void onNotify(Notifier* from, int32_t code, intptr_t arg) override {
    got.emplace_back(code, arg);
    if (action) action(from, code);
  }
};

TEST(Notifier, WatchersMayDetachThemselvesOrOthersDuringANotice) {
  Notifier n;
  Recorder a, b, c, d;
  for (Recorder* r : {&a, &b, &c, &d}) n.attach(r);
  n.attach(&a);  // attached once only
  a.action = [&](Notifier* from, int) { from->detach(&a); };          // itself
  b.action = [&](Notifier* from, int) { from->detach(&c); };          // a later one
  d.action = [&](Notifier* from, int) { from->detach(&b); from->attach(&a); };  // an earlier one
  n.notify(31, 7);
  EXPECT_EQ(a.got.size(), 1u);
  EXPECT_EQ(b.got.size(), 1u);
  EXPECT_TRUE(c.got.empty());  // detached before its turn: not called
  EXPECT_EQ(d.got.size(), 1u);
  // Attached during the notice: called from the next one on; b and c are gone.
  for (Recorder* r : {&a, &b, &c, &d}) r->action = nullptr;
  n.notify(10);
  EXPECT_EQ(a.got.size(), 2u);
  EXPECT_EQ(b.got.size(), 1u);
  EXPECT_EQ(d.got.size(), 2u);
  EXPECT_EQ(n.watcherCount(), 2);
}

TEST(Notifier, ReentrantNoticesAndASubjectDestroyedInsideOne) {
  auto* n = new Notifier2();
  Recorder a, b, c;
  n->attach(&a);
  n->attach(&b);
  n->attach(&c);
  int depth = 0;
  a.action = [&](Notifier* from, int code) {
    if (code == 31 && depth++ == 0) from->notify(38);  // a notice inside a notice
  };
  b.action = [&](Notifier* from, int code) {
    if (code == 31) delete static_cast<Notifier2*>(from);  // destroys the subject
  };
  n->notify(31);
  // a saw 31 and the inner 38; b saw 38 (inner) and 31; the subject then died: its code 8
  // reached everybody once, and c never got the outer 31.
  std::vector<int> codesA, codesC;
  for (auto& g : a.got) codesA.push_back(g.first);
  for (auto& g : c.got) codesC.push_back(g.first);
  EXPECT_THAT(codesA, ::testing::ElementsAre(31, 38, 8));
  EXPECT_THAT(codesC, ::testing::ElementsAre(38, 8));
}

struct Watcher : ParamWatcher {
  int values = 0, choices = 0;
  void onValueChanged(intptr_t) override { ++values; }
  void onChoicesChanged() override { ++choices; }
};

TEST(Notifier, ParamWatcherFollowsItsParameterAndForgetsItWhenItDies) {
  auto* p = new Notifier2();
  Watcher w;
  w.setParameter(p);
  EXPECT_EQ(w.values, 1);  // starts in step
  p->notify(31);
  p->notify(37);
  p->notify(14);  // ignored
  EXPECT_EQ(w.values, 2);
  EXPECT_EQ(w.choices, 1);
  Recorder r;
  p->attach(&r);
  delete p;
  EXPECT_EQ(w.parameter(), nullptr);
  ASSERT_EQ(r.got.size(), 1u);
  EXPECT_EQ(r.got[0].first, 8);  // code 8 once
  // A watcher that dies first leaves nothing behind.
  auto* q = new Notifier2();
  { Watcher w2; w2.setParameter(q); }
  q->notify(31);
  EXPECT_EQ(q->watcherCount(), 0);
  delete q;
}

}  // namespace
}  // namespace kv
