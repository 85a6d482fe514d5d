// Panel messages: the 80-entry ring from the panel thread to the audio thread.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/support/engine_rig.h"

namespace kv::test {
namespace {

// Time that moves only when the writer sleeps.
class FakeWaitClock : public WaitClock {
 public:
  int64_t NowMs() override { return now; }
  void SleepMs(int ms) override {
    now += ms;
    ++sleeps;
  }
  int64_t now = 1000;
  int sleeps = 0;
};

std::vector<int32_t> ArgumentsOf(const Probe& p, int32_t kind) {
  std::vector<int32_t> out;
  for (const auto& u : p.ui)
    if (u.kind == kind) out.push_back(u.argument);
  return out;
}

TEST(PanelRing, SeventyNineFitFifoStampedWithTheCallStartThenNewestDropped) {
  Engine e(512);
  FakeWaitClock clock;
  e.master.SetWaitClock(&clock);
  Probe* p = e.Add<Probe>(0);
  e.Start();
  e.master.Run(100);  // the audio thread has run: the writer will wait for it
  for (int i = 0; i < 79; ++i) ASSERT_TRUE(e.master.PostUiMessage(p, 7, i)) << i;
  EXPECT_FALSE(e.master.PostUiMessage(p, 7, 79));
  EXPECT_EQ(clock.sleeps, PanelRing::kMaxWaits) << "waited 50 x 1 ms for an alive audio thread";
  clock.sleeps = 0;
  clock.now += 100;  // no run for 100 ms: the audio thread is not alive any more
  EXPECT_FALSE(e.master.PostUiMessage(p, 7, 80));
  EXPECT_EQ(clock.sleeps, 0) << "no wait when the host has stopped calling";
  EXPECT_EQ(e.master.dropped_panel_messages(), 2);

  e.master.Run(100);  // call starting at 100, inside the first block
  std::vector<int32_t> expected(79);
  for (int i = 0; i < 79; ++i) expected[i] = i;
  EXPECT_EQ(ArgumentsOf(*p, 7), expected);
  for (const auto& u : p->ui) EXPECT_EQ(u.at, 100);
  EXPECT_TRUE(e.master.PostUiMessage(p, 7, 500)) << "room again after the drain";
}

TEST(PanelRing, DirectBeforeTheFirstSampleDroppedAfterStopOrClose) {
  Engine e(512);
  Probe* p = e.Add<Probe>(0);
  e.master.Start(&e.top);  // built, not running yet
  EXPECT_TRUE(e.master.PostUiMessage(p, 3, 1));
  ASSERT_EQ(p->ui.size(), 1u) << "delivered at once, on the calling thread";

  e.master.SetRunning(true);
  e.master.Run(64);
  e.master.RequestClose();
  EXPECT_FALSE(e.master.PostUiMessage(p, 3, 2));
  e.master.Run(64);
  EXPECT_EQ(p->ui.size(), 1u);

  Engine f(512);
  Probe* q = f.Add<Probe>(0);
  f.Start();
  f.master.Run(64);
  f.master.SetRunning(false);  // stopped after it ran
  EXPECT_FALSE(f.master.PostUiMessage(q, 3, 1));
  EXPECT_TRUE(q->ui.empty());
}

// A real panel thread posts while the audio thread runs. Every message arrives at most
// once, in order, intact and stamped with a call start; the ones not delivered were
// counted as dropped.
TEST(PanelRing, ConcurrentPostingKeepsOrderAndLosesNothingSilently) {
  Engine e(512);
  Probe* p = e.Add<Probe>(0);
  Probe* other = e.Add<Probe>(1);
  p->ui.reserve(20000);
  other->ui.reserve(20000);
  e.Start();
  constexpr int kMessages = 5000;
  std::atomic<bool> done{false};
  int accepted = 0;
  std::thread panel([&] {
    for (int i = 0; i < kMessages; ++i) {
      // Alternate targets: a torn entry would misroute a message.
      if (e.master.PostUiMessage(i % 2 ? other : p, 9, i)) ++accepted;
    }
    done.store(true);
  });
  while (!done.load()) e.master.Run(64);
  panel.join();
  e.master.Run(64);

  std::vector<int32_t> got_p = ArgumentsOf(*p, 9), got_o = ArgumentsOf(*other, 9);
  for (int32_t a : got_p) ASSERT_EQ(a % 2, 0);
  for (int32_t a : got_o) ASSERT_EQ(a % 2, 1);
  EXPECT_TRUE(std::is_sorted(got_p.begin(), got_p.end()));
  EXPECT_TRUE(std::is_sorted(got_o.begin(), got_o.end()));
  EXPECT_EQ(std::adjacent_find(got_p.begin(), got_p.end()), got_p.end());
  EXPECT_EQ(static_cast<int>(got_p.size() + got_o.size()), accepted);
  EXPECT_EQ(accepted + e.master.dropped_panel_messages(), kMessages);
  EXPECT_GT(accepted, 0);
  for (const auto& u : p->ui) ASSERT_EQ(u.at % 64, 0) << "stamped with a call start";
}

}  // namespace
}  // namespace kv::test
