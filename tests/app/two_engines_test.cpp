// Two plug-in instances with different block sizes and sample rates play side by side on
// two threads, each exactly as it plays alone. (Also run under ThreadSanitizer.)
#include <gtest/gtest.h>

#include <thread>

#include "tests/support/offline_render.h"
#include "tests/support/patch_builder.h"

namespace kv::test {
namespace {

std::unique_ptr<Document> Synth() {
  PatchBuilder b;
  CUG* osc = b.Add("Oscillator", "Osc");
  CUG* filter = b.Add("SV Filter", "Filter");
  CUG* vca = b.Add("VCA", "Amp");
  CUG* ramp = b.Add("Test Ramp", "Ramp");
  EXPECT_TRUE(PatchBuilder::Connect(osc, "Audio Out", filter, "Signal"));
  EXPECT_TRUE(PatchBuilder::Connect(filter, "Low Pass", vca, "Signal"));
  EXPECT_TRUE(PatchBuilder::Connect(ramp, "Out", vca, "Volume"));
  PatchBuilder::ExportOutput(b.patch(), vca, "Output");
  return b.Take();
}

struct Instance {
  float rate;
  int block;
  std::vector<int> calls;
};

TEST(TwoEngines, DifferentRatesAndBlockSizesSideBySide) {
  const Instance setups[2] = {{44100.0f, 64, {64}}, {96000.0f, 441, {441, 100, 7}}};
  constexpr int64_t kTotal = 30000;
  std::vector<float> alone[2];
  for (int i = 0; i < 2; ++i) {
    OfflineRender r(Synth(), setups[i].rate, setups[i].block, 0, 1);
    ASSERT_TRUE(r.started());
    alone[i] = r.Render(kTotal, setups[i].calls)[0];
  }
  ASSERT_NE(alone[0], alone[1]);

  // Both built on this thread (the user-interface side), then played concurrently.
  OfflineRender a(Synth(), setups[0].rate, setups[0].block, 0, 1);
  OfflineRender b(Synth(), setups[1].rate, setups[1].block, 0, 1);
  ASSERT_TRUE(a.started() && b.started());
  std::vector<float> together[2];
  std::thread ta([&] { together[0] = a.Render(kTotal, setups[0].calls)[0]; });
  std::thread tb([&] { together[1] = b.Render(kTotal, setups[1].calls)[0]; });
  ta.join();
  tb.join();
  EXPECT_EQ(together[0], alone[0]);
  EXPECT_EQ(together[1], alone[1]);
}

}  // namespace
}  // namespace kv::test
