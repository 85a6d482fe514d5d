// GetTimeInfo: the host's transport corrected to the start of the current engine block.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "tests/support/engine_rig.h"

namespace kv::test {
namespace {

class FakeHost : public EngineHost {
 public:
  void ApplyPendingHostParameters() override { ++applied; }
  const TimeInfo* FetchHostTimeInfo(int32_t flags) override {
    requested = flags;
    return give ? &info : nullptr;
  }
  void QueueModuleMessage(const ModuleMessage& m) override { messages.push_back(m); }
  void QueueDocumentRefresh(DocumentModule* m) override { refreshes.push_back(m); }
  TimeInfo info{};
  bool give = true;
  int32_t requested = 0;
  int applied = 0;
  std::vector<ModuleMessage> messages;
  std::vector<DocumentModule*> refreshes;
};

struct TimeCase {
  const char* name;
  int32_t host_flags;
  double tempo;
  double ppq;
  double bar_start;
  int num, den;
  int32_t request;
  // expectations
  double ppq_out;
  double bar_out;
  int32_t to_next_clock;
};
void PrintTo(const TimeCase& c, std::ostream* os) { *os << c.name; }


constexpr int32_t kAllValid = vst::kVstPpqPosValid | vst::kVstTempoValid | vst::kVstBarsValid | vst::kVstTimeSigValid;
constexpr int32_t kAsk = vst::kVstPpqPosValid | vst::kVstBarsValid;

// Sample rate 48000, tempo 120: 0.001 MIDI clocks per sample. The host call starts at
// sample 100 of a 128-sample block, so the block began 100 samples before the host's
// position: -0.1 clocks.
class TimeInfoCases : public ::testing::TestWithParam<TimeCase> {};

TEST_P(TimeInfoCases, CorrectsToTheBlockStart) {
  const TimeCase& c = GetParam();
  FakeHost host;
  host.info.samplePos = 48000.0;
  host.info.sampleRate = 48000.0;
  host.info.tempo = c.tempo;
  host.info.ppqPos = c.ppq;
  host.info.barStartPos = c.bar_start;
  host.info.timeSigNumerator = c.num;
  host.info.timeSigDenominator = c.den;
  host.info.samplesToNextClock = 77;
  host.info.flags = c.host_flags;
  Engine e(512, 48000.0f, &host);
  Probe* p = e.Add<Probe>(0);
  std::optional<TimeInfo> seen;
  p->on_process = [&](Probe& self, int, int) {
    if (self.clock == 100) seen = *self.master->GetTimeInfo(c.request);
  };
  e.Start();
  e.master.Run(100);
  e.master.Run(100);
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(host.requested & kAsk, kAsk) << "always asks for quarters and bars";
  EXPECT_DOUBLE_EQ(seen->samplePos, 48000.0 - 100.0) << "signed offset";
  EXPECT_NEAR(seen->ppqPos, c.ppq_out, 1e-12);
  EXPECT_DOUBLE_EQ(seen->barStartPos, c.bar_out);
  EXPECT_EQ(seen->samplesToNextClock, c.to_next_clock);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TimeInfoCases,
    ::testing::Values(
        // f = 24*ppq - 0.1; clocks to next = (floor(f) - f) / 0.001.
        TimeCase{"MidBar", kAllValid, 120.0, 2.5, 0.0, 4, 4, kAsk, 2.5 - 0.1 / 24, 0.0, -899},
        TimeCase{"BackIntoThePreviousBar", kAllValid, 120.0, 4.0, 4.0, 4, 4, kAsk,
                 4.0 - 0.1 / 24, 0.0, -900},
        TimeCase{"ThreeEightBarsKeepTheHostGrid", kAllValid, 120.0, 3.0, 3.0, 3, 8, kAsk,
                 3.0 - 0.1 / 24, 1.5, -900},
        TimeCase{"NoTimeSignatureKeepsHostBar", kAllValid & ~vst::kVstTimeSigValid, 120.0, 4.0,
                 4.0, 0, 0, kAsk, 4.0 - 0.1 / 24, 4.0, -900},
        TimeCase{"ZeroTempoLeavesPositionsAlone", kAllValid, 0.0, 4.0, 4.0, 4, 4, kAsk, 4.0,
                 4.0, 77},
        TimeCase{"PpqNotValidLeavesPositionsAlone", kAllValid & ~vst::kVstPpqPosValid, 120.0, 4.0,
                 4.0, 4, 4, kAsk, 4.0, 4.0, 77},
        TimeCase{"NotAskedLeavesPositionsAlone", kAllValid, 120.0, 4.0, 4.0, 4, 4, 0, 4.0, 4.0,
                 77}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TimeInfo, NullWithoutHostRecordAndLaterInTheCallRefersToTheNewBlock) {
  FakeHost host;
  host.info.samplePos = 1000.0;
  Engine e(512, 48000.0f, &host);
  Probe* p = e.Add<Probe>(0);
  std::vector<double> positions;
  p->on_process = [&](Probe& self, int, int) {
    positions.push_back(self.master->GetTimeInfo(0)->samplePos);
  };
  e.Start();
  e.master.Run(100);
  e.master.Run(100);  // runs 100..128 (block 0) and 128..200 (block 1)
  EXPECT_EQ(positions, (std::vector<double>{1000.0, 900.0, 1028.0}));
  host.give = false;
  EXPECT_EQ(e.master.GetTimeInfo(0), nullptr);
}

TEST(EngineHost, HostParametersAppliedAtTheNextCallMessagesAndRefreshesQueued) {
  FakeHost host;
  Engine e(512, 48000.0f, &host);
  Probe* p = e.Add<Probe>(0);
  e.Start();
  e.master.SetHostParamsPending();
  EXPECT_EQ(host.applied, 0);
  e.master.Run(64);
  e.master.Run(64);
  EXPECT_EQ(host.applied, 1);

  p->PostMessage("Sample file not found");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].Compose(""), "Probe : Sample file not found");
  EXPECT_EQ(host.messages[0].Compose("Osc 1"), "Osc 1 : Sample file not found");
  p->PostMessage(std::string(1000, 'x'));
  EXPECT_EQ(std::string(host.messages[1].text).size(), ModuleMessage::kTextCapacity - 1);

  p->RequestDocumentRefresh();  // no document module: nothing to refresh
  EXPECT_TRUE(host.refreshes.empty());
  auto* doc = reinterpret_cast<DocumentModule*>(0x1000);
  p->document_module = doc;
  p->RequestDocumentRefresh();
  EXPECT_EQ(host.refreshes, std::vector<DocumentModule*>{doc});
  p->document_module = nullptr;
}

}  // namespace
}  // namespace kv::test
