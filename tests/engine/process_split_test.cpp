// Sample-accurate event timing: a run is split at the time stamps of pending events.
#include <gtest/gtest.h>

#include "tests/support/engine_rig.h"

namespace kv::test {
namespace {

constexpr int32_t kMark = 50;  // a private event type the base ignores

struct Post {
  int before_call;  // posted before this host call (0 = before the first)
  int64_t time;
  int id;
};

struct SplitCase {
  const char* name;
  std::vector<Post> posts;
  std::vector<int> host_calls;
  std::vector<Call> calls;
  std::vector<std::pair<int, int64_t>> handled;  // (id, probe clock when handled)
};
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }


class RunSplitting : public ::testing::TestWithParam<SplitCase> {};

TEST_P(RunSplitting, SplitsAtEventTimes) {
  const SplitCase& c = GetParam();
  Engine e(512);  // block size 128
  Probe* p = e.Add<Probe>(0);
  e.Start();
  for (std::size_t call = 0; call < c.host_calls.size(); ++call) {
    for (const Post& post : c.posts)
      if (post.before_call == static_cast<int>(call)) p->AddEvent(post.time, kMark, post.id);
    e.master.Run(c.host_calls[call]);
  }
  EXPECT_EQ(p->calls, c.calls);
  std::vector<std::pair<int, int64_t>> handled;
  for (const Handled& h : p->handled)
    if (h.type == kMark) handled.emplace_back(h.arg1, h.at);
  EXPECT_EQ(handled, c.handled);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunSplitting,
    ::testing::Values(
        SplitCase{"EqualTimesFifo",
                  {{0, 10, 1}, {0, 10, 2}, {0, 10, 3}},
                  {128},
                  {{0, 0, 10}, {10, 10, 118}},
                  {{1, 10}, {2, 10}, {3, 10}}},
        SplitCase{"LaterPostedEarlierTimeFirst",
                  {{0, 40, 1}, {0, 20, 2}},
                  {128},
                  {{0, 0, 20}, {20, 20, 20}, {40, 40, 88}},
                  {{2, 20}, {1, 40}}},
        SplitCase{"AtLastSampleSplitsKAndOne",
                  {{0, 127, 1}},
                  {128},
                  {{0, 0, 127}, {127, 127, 1}},
                  {{1, 127}}},
        SplitCase{"AtRunEndGoesToNextRun",
                  {{0, 100, 1}},
                  {100, 28},
                  {{0, 0, 100}, {100, 100, 28}},
                  {{1, 100}}},
        SplitCase{"AtClockBeforeAnySample",
                  {{0, 0, 1}},
                  {64},
                  {{0, 0, 64}},
                  {{1, 0}}},
        SplitCase{"StaleHandledAtNextSegmentStart",
                  {{1, 30, 1}, {1, 70, 2}},
                  {64, 64},
                  {{0, 0, 64}, {64, 64, 6}, {70, 70, 58}},
                  {{1, 64}, {2, 70}}},
        SplitCase{"FarFutureWaits",
                  {{0, 1000, 1}},
                  {512, 512},
                  {{0, 0, 128}, {128, 0, 128}, {256, 0, 128}, {384, 0, 128},
                   {512, 0, 128}, {640, 0, 128}, {768, 0, 128}, {896, 0, 104},
                   {1000, 104, 24}},
                  {{1, 1000}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Runs never cross an engine block boundary, whatever the host's call sizes.
TEST(BlockLoop, HostCallsAreCutAtBlockBoundaries) {
  Engine e(512);  // block size 128
  Probe* p = e.Add<Probe>(0);
  e.Start();
  for (int i = 0; i < 3; ++i) e.master.Run(100);
  const std::vector<Call> expected = {
      {0, 0, 100}, {100, 100, 28}, {128, 0, 72}, {200, 72, 56}, {256, 0, 44}};
  EXPECT_EQ(p->calls, expected);
  EXPECT_EQ(e.master.clock, 300);
  EXPECT_EQ(e.master.block_start(), 256);
  EXPECT_EQ(e.master.call_start(), 200);
}

TEST(BlockLoop, EngineBlockSizeFollowsTheHostBlockSize) {
  const std::vector<std::pair<int, int>> table = {
      {1, 1},       {32, 32},     {64, 64},     {95, 95},       {96, 96},     {97, 97},
      {128, 128},   {150, 75},    {160, 80},    {180, 90},      {191, 191},   {192, 96},
      {200, 100},   {256, 128},   {300, 100},   {441, 63},      {480, 96},    {512, 128},
      {882, 98},    {960, 96},    {1000, 100},  {1009, 1009},   {1023, 93},   {1024, 128},
      {1536, 96},   {2048, 128},  {3000, 100},  {4096, 128},    {8192, 128},  {44100, 98},
      {0, 128},     {-1, 128},    {-4096, 128}};
  for (auto [host, engine] : table)
    EXPECT_EQ(KvAudioMaster::EngineBlockSize(host), engine) << "host block " << host;
}

}  // namespace
}  // namespace kv::test
