// The application object between threads (also run under ThreadSanitizer): two plug-in
// instances with different block sizes and sample rates play side by side, each exactly as
// it plays alone; editing-side stops and starts while an audio thread keeps calling.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/audio_master.h"

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

using ::testing::ElementsAre;

std::unique_ptr<Document> PassThrough() {
  PatchBuilder b;
  CUG* cut = b.Add("Test Cut", "Wire");
  PatchBuilder::ExportInput(b.patch(), cut, "In");
  PatchBuilder::ExportOutput(b.patch(), cut, "Out");
  return b.Take();
}

TEST(EngineGate, StopEngineIsAcknowledgedAndStartEngineRunsTheNewEngine) {
  OfflineRender r(PassThrough(), 44100.0f, 64, 1, 1);
  ASSERT_TRUE(r.started());
  CKorvaneAppVST& app = r.app();
  std::atomic<bool> quit{false};
  std::atomic<int> calls{0};
  std::thread audio([&] {
    float in[64], out[64];
    std::fill(in, in + 64, 0.5f);
    const float* ins[1] = {in};
    float* outs[1] = {out};
    while (!quit) {
      app.ProcessHostCall(ins, 1, outs, 1, 64, true);
      ++calls;
      std::this_thread::yield();
    }
  });
  while (calls < 20) std::this_thread::yield();
  EXPECT_TRUE(app.StopEngine());
  EXPECT_FALSE(app.HasEngine());
  // An editing command's start: opened on a worker thread, and the audio calls play it.
  EXPECT_TRUE(app.StartEngine(app.GetPatchRoot()));
  EXPECT_TRUE(app.IsEngineRunning());
  const int before = calls;
  while (calls < before + 20) std::this_thread::yield();
  app.ToggleEngine();
  EXPECT_FALSE(app.HasEngine());
  EXPECT_TRUE(app.RestartEngine());
  quit = true;
  audio.join();
  float in[8] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f}, out[8] = {};
  const float* ins[1] = {in};
  float* outs[1] = {out};
  app.ProcessHostCall(ins, 1, outs, 1, 8, true);
  EXPECT_EQ(out[7], 0.5f) << "the restarted engine plays";

  // Without audio calls the stop is acknowledged at once.
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_TRUE(app.StopEngine());
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
  EXPECT_TRUE(r.messages().shownTexts().empty());
}

TEST(EngineGate, EngineStuckInACallIsKeptAndReported) {
  OfflineRender r(PassThrough(), 44100.0f, 64, 1, 1);
  ASSERT_TRUE(r.started());
  CKorvaneAppVST& app = r.app();
  app.SetEnginePolling(std::chrono::milliseconds(1), 20);
  std::atomic<bool> inside{false}, release{false};
  HostParameterProbe probe([&] {
    inside = true;
    while (!release) std::this_thread::yield();
  });
  app.AttachPlugin(&probe);
  {
    auto lock = app.LockEngine();
    app.master()->SetHostParamsPending();
  }
  std::thread audio([&] {
    float out[64];
    float* outs[1] = {out};
    app.ProcessHostCall(nullptr, 0, outs, 1, 64, true);
  });
  while (!inside) std::this_thread::yield();
  EXPECT_FALSE(app.StopEngine());
  EXPECT_TRUE(app.HasEngine()) << "the engine stays while a call is inside it";
  EXPECT_THAT(r.messages().shownTexts(), ElementsAre("Sound Engine not responding. Please Save and Exit"));
  release = true;
  audio.join();
  EXPECT_TRUE(app.StopEngine());
  EXPECT_FALSE(app.HasEngine());
}

}  // namespace
}  // namespace kv::test
