// A feed-forward patch of sample-accurate modules sounds the same however the host cuts
// its calls: the patch is built from its document, played through the VST Input and
// VST Output modules, and compared sample for sample.
#include <gtest/gtest.h>

#include "tests/support/offline_render.h"
#include "tests/support/patch_builder.h"

namespace kv::test {
namespace {

// Patch container: host input 1 x ramp -> out 1; oscillator -> filter -> VCA (volume from
// a ramp inside a flattened sub-container) -> out 2.
std::unique_ptr<Document> MakePatch() {
  PatchBuilder b;
  CContainer* p = b.patch();
  CUG* ramp = b.Add("Test Ramp", "Ramp");
  CPlug2* gain = PatchBuilder::ExportInput(p, ramp, "Gain");
  CPlug2* out1 = PatchBuilder::ExportOutput(p, ramp, "Out");
  CUG* osc = b.Add("Oscillator", "Osc");
  CUG* filter = b.Add("SV Filter", "Filter");
  CUG* vca = b.Add("VCA", "Amp");
  PatchBuilder::SetValue(osc, "Pitch", "4.5");
  PatchBuilder::SetValue(filter, "Pitch", "6");
  EXPECT_TRUE(PatchBuilder::Connect(osc, "Audio Out", filter, "Signal"));
  EXPECT_TRUE(PatchBuilder::Connect(filter, "Low Pass", vca, "Signal"));
  CContainer* sub = b.AddContainer("Mod");
  CUG* lfo = b.Add("Test Ramp", "Slow", sub);
  CPlug2* lfo_out = PatchBuilder::ExportOutput(sub, lfo, "Out");
  EXPECT_NE(lfo_out->connect(vca->findPlug("Volume")), nullptr);
  CPlug2* out2 = PatchBuilder::ExportOutput(p, vca, "Output");
  EXPECT_TRUE(gain && out1 && out2);
  return b.Take();
}

TEST(DocumentPartition, HostCallLengthsDoNotChangeTheOutput) {
  constexpr int64_t kTotal = 20000;
  std::vector<float> host_in(kTotal);
  for (int64_t i = 0; i < kTotal; ++i) host_in[i] = static_cast<float>(i % 331) / 331.0f;

  std::vector<std::vector<float>> reference;
  const std::vector<std::vector<int>> partitions = {
      {1}, {7}, {64}, {441}, {512}, {4096}, RandomCallLengths(12345, 500, 700)};
  for (const auto& lengths : partitions) {
    // The host's declared block size is the same for every partition: the engine block
    // (and with it every block-dependent rule) stays put while only the calls change.
    OfflineRender r(MakePatch(), 44100.0f, 512);
    ASSERT_TRUE(r.started());
    auto out = r.Render(kTotal, lengths, {}, {host_in, {}});
    if (reference.empty()) {
      reference = out;
      // Not trivially silent: both channels carry the patch's signals.
      float peak1 = 0, peak2 = 0;
      for (int64_t i = 0; i < kTotal; ++i) {
        peak1 = std::max(peak1, std::abs(out[0][i]));
        peak2 = std::max(peak2, std::abs(out[1][i]));
      }
      EXPECT_GT(peak1, 0.1f);
      EXPECT_GT(peak2, 0.001f);
      // Host input 1 scales the ramp: sample i is ramp(i) * in(i) * 10 V / 10.
      EXPECT_FLOAT_EQ(out[0][1000], static_cast<float>(1000 % 97) / 128.0f * host_in[1000]);
      continue;
    }
    for (int c = 0; c < 2; ++c)
      for (int64_t i = 0; i < kTotal; ++i)
        ASSERT_EQ(out[c][i], reference[c][i]) << "channel " << c << " sample " << i << " calls of "
                                              << lengths.front();
  }
}

}  // namespace
}  // namespace kv::test
