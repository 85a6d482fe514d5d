// Control-value modules in a running engine: values recalled from the document, smoothing,
// host automation, program changes through "Patch Select", list and text entries.
#include <gtest/gtest.h>

#include <random>

#include "document/model/panel_controls.h"
#include "modules/controls/level_out.h"
#include "modules/controls/list_entry.h"
#include "modules/controls/patch_select.h"
#include "modules/controls/slider.h"
#include "tests/modules/controls/control_rig.h"

namespace kv::test {
namespace {

constexpr int kRamp = 48000 / 32;  // smoothing at 48 kHz

void runCalls(ControlRig& rig, int total, const std::vector<int>& calls) {
  for (std::size_t k = 0; total > 0; ++k) {
    const int n = std::min(calls[k % calls.size()], total);
    rig.master.Run(n);
    total -= n;
  }
}

TEST(ControlModules, SliderRecallsPanelValuesAlongAStraightRamp) {
  ControlRig rig;
  auto [slider, ug] = rig.add<Ctl_Slider, ug_slider>("Slider");
  slider->SetValue(0, 5.0);
  Recorder* out = rig.record(ug, ug_slider::kSignalOut);
  rig.start();
  rig.master.Run(64);
  EXPECT_EQ(out->samples.front(), 0.5f);
  EXPECT_EQ(out->samples.back(), 0.5f);

  slider->SetValue(-1, 2.0);  // a panel edit: recalled at the start of the next host call
  runCalls(rig, 2000, {64});
  const auto& s = out->samples;
  for (int k = 0; k < kRamp; ++k) {
    SCOPED_TRACE(k);
    ASSERT_NEAR(s[64 + k], 0.5f - 0.3f * static_cast<float>(k + 1) / kRamp, 1e-6f);
  }
  EXPECT_EQ(s[64 + kRamp - 1], 0.2f) << "the ramp ends exactly on the target";
  EXPECT_EQ(s.back(), 0.2f);
  EXPECT_EQ(ug->GetValueText(), "2.000");
  EXPECT_TRUE(rig.refreshes.empty()) << "a panel edit is not reported back";
}

TEST(ControlModules, ButtonAppearancesSnapToALimitWithinFourSamples) {
  ControlRig rig;
  auto [slider, ug] = rig.add<Ctl_Slider, ug_slider>("Slider");
  slider->findPlug("Appearance")->setValueText("5");  // "Button (toggle)"
  ug->appearance = 5;
  Recorder* out = rig.record(ug, ug_slider::kSignalOut);
  rig.start();
  rig.master.Run(64);
  slider->setNormalised(1.0);  // pressed
  EXPECT_EQ(slider->getNormalised(), 1.0);
  rig.master.Run(64);
  EXPECT_LT(out->samples[64 + 2], 1.0f);
  EXPECT_EQ(out->samples[64 + 3], 1.0f);
  slider->SetValue(-1, 6.0);  // nearer the upper limit: still 10 V for the engine
  rig.master.Run(64);
  EXPECT_EQ(out->samples.back(), 1.0f);
  slider->SetValue(-1, 4.0);
  rig.master.Run(64);
  EXPECT_EQ(out->samples.back(), 0.0f);
}

// Host automation is applied at the start of a host call and then ramps on the engine's
// clock: how the host splits the calls after that changes nothing.
TEST(ControlModules, HostAutomationIsSmoothedReportedAndIndependentOfTheHostSplit) {
  std::mt19937 random(7);
  std::vector<int> randomCalls;
  for (int i = 0; i < 64; ++i) randomCalls.push_back(1 + static_cast<int>(random() % 300));
  std::vector<float> reference;
  for (const std::vector<int>& calls :
       std::vector<std::vector<int>>{{64}, {1}, {7}, {441}, {4096}, randomCalls}) {
    ControlRig rig(64);
    auto [slider, ug] = rig.add<Ctl_Slider, ug_slider>("Slider");
    Recorder* out = rig.record(ug, ug_slider::kSignalOut);
    rig.start();
    rig.master.Run(64);
    rig.master.Run(64);
    rig.hostParameter(slider, 0.25f);
    runCalls(rig, 3000, calls);
    if (reference.empty()) {
      reference = out->samples;
      EXPECT_EQ(reference[127], 0.0f);
      EXPECT_GT(reference[128], 0.0f);
      EXPECT_EQ(reference[128 + kRamp - 1], 0.25f);
    } else {
      EXPECT_EQ(out->samples, reference);
    }
    // The unit generator asked for a refresh; serving it stores the value in the document.
    ASSERT_EQ(rig.refreshes.size(), 1u);
    rig.serveRefreshes();
    EXPECT_EQ(slider->GetValue(), 2.5);
    EXPECT_FLOAT_EQ(static_cast<float>(slider->getNormalised()), 0.25f);
    // The same value again changes nothing.
    EXPECT_FALSE(slider->applyHostValue(0.25f));
  }
}

TEST(ControlModules, ProgramChangesReachTheEngineThroughPatchSelect) {
  ControlRig rig;
  auto [slider, ug] = rig.add<Ctl_Slider, ug_slider>("Slider");
  auto [fixed, fixedUg] = rig.add<Ctl_Slider, ug_slider>("Slider");
  auto [select, selectUg] = rig.add<Ctl_PatchSel, ug_patch_sel>("Patch Select");
  slider->SetValue(0, 1.0);
  slider->SetValue(1, 6.0);
  fixed->findPlug("Ignore Program Change")->setValueText("1");
  fixedUg->ignore_program_change = 1;
  fixed->SetValue(-1, 3.0);
  Recorder* out = rig.record(ug, ug_slider::kSignalOut);
  Recorder* fixedOut = rig.record(fixedUg, ug_slider::kSignalOut);
  rig.start();
  rig.master.Run(64);

  rig.doc.root->setProgram(1);
  EXPECT_EQ(slider->GetPatchValueText(), "6.00");
  runCalls(rig, 256, {64});
  EXPECT_EQ(selectUg->program(), 1);
  EXPECT_EQ(out->samples[64], 0.1f);
  EXPECT_EQ(out->samples.back(), 0.6f) << "the new program's value, without smoothing";
  int first = 64;
  while (out->samples[first] != 0.6f) ++first;
  EXPECT_EQ(out->samples[first - 1], 0.1f) << "a jump, not a ramp";
  EXPECT_EQ(fixedOut->samples.back(), 0.3f);

  // The unit generator reported its program; the container is there already.
  ASSERT_FALSE(rig.refreshes.empty());
  rig.serveRefreshes();
  EXPECT_EQ(rig.doc.root->currentProgram(), 1);

  // Switching to the program the engine holds posts nothing.
  rig.doc.root->setProgram(0);
  rig.doc.root->setProgram(1);
  runCalls(rig, 128, {64});
  EXPECT_EQ(out->samples.back(), 0.6f);
}

TEST(ControlModules, ListAndTextEntries) {
  ControlRig rig;
  auto [list, listUg] = rig.add<Ctl_Combo, ug_combobox>("List Entry");
  auto [text, textUg] = rig.add<Ctl_Text, ug_text_entry>("Text Entry");
  list->SetIntValue(0, 2);
  text->SetPatchValueText(0, "hello");
  listUg->SetListRange(0, 4);
  rig.start();
  rig.master.Run(64);
  EXPECT_EQ(listUg->choice, 2);
  EXPECT_EQ(textUg->text.str(), "hello");

  EXPECT_FALSE(listUg->OnControllerValue(0.6f));  // floor(2.4 + 0.5) = 2
  EXPECT_TRUE(listUg->OnControllerValue(0.7f));   // floor(2.8 + 0.5) = 3
  rig.master.Run(64);
  EXPECT_EQ(listUg->choice, 3);
  EXPECT_FLOAT_EQ(listUg->GetNormalised(), 0.75f);
  rig.serveRefreshes();
  EXPECT_EQ(list->GetIntValue(), 3);

  text->SetPatchValueText(-1, "bye");
  rig.master.Run(64);
  EXPECT_EQ(textUg->text.str(), "bye");

  listUg->SetListRange(3, 3);  // a list of one entry
  EXPECT_EQ(listUg->GetNormalised(), 0.0f);
}

TEST(ControlModules, NormalisedValuesWithEqualLimitsAreZero) {
  ControlRig rig;
  auto [slider, ug] = rig.add<Ctl_Slider, ug_slider>("Slider");
  slider->findPlug("Lo Value")->setValueText("20");
  slider->findPlug("Hi Value")->setValueText("20000");
  slider->SetValue(-1, 20.0);
  EXPECT_EQ(slider->getNormalised(), 0.0);
  slider->SetValue(-1, 20000.0);
  EXPECT_EQ(slider->getNormalised(), 1.0);
  slider->findPlug("Lo Value")->setValueText("5");
  slider->findPlug("Hi Value")->setValueText("5");
  EXPECT_EQ(slider->getNormalised(), 0.0);
  ug->lo_value = ug->hi_value = 5.0f;
  EXPECT_EQ(ug->GetNormalised(), 0.0f);
}

TEST(ControlModules, LevelOutReportsToItsDocumentObject) {
  ControlRig rig;
  auto [meter, ug] = rig.add<ui_param_float_out, ug_param_float_out>("Patch Parameter - Level Out");
  auto* source = static_cast<Signal*>(rig.builder->Add(rig.builder->root(), new Signal));
  source->streaming = false;
  source->fn = [](int64_t) { return 0.5f; };  // 5 V, static
  rig.builder->Connect(source->GetPlug(0), ug->GetPlug(ug_param_float_out::kSignalIn));
  rig.start();
  rig.master.Run(64);
  EXPECT_EQ(ug->reported(), 0.5f) << "DC (Fast) reports the input sample";
  ASSERT_EQ(rig.refreshes.size(), 1u);
  rig.serveRefreshes();
  EXPECT_EQ(meter->GetPatchValueText(0), "5.00");
  EXPECT_EQ(meter->scaled(), 5.0f);
  EXPECT_FLOAT_EQ(meter->unscaled(), 0.5f);
  rig.master.Run(48000);
  EXPECT_TRUE(rig.refreshes.empty()) << "a static input is reported once";

  // Decibel scales; the VU stretch widens the meter near 0 dB.
  meter->setScale(1);
  meter->takeLevel(0.1f);
  EXPECT_FLOAT_EQ(meter->scaled(), -10.0f);
  meter->takeLevel(0.0f);
  EXPECT_EQ(meter->scaled(), -150.0f);
  meter->setScale(2);
  for (auto [db, unscaled] : {std::pair{-20.0f, 0.0f}, {-8.75f, 0.1125f}, {-3.0f, 0.4f}, {3.0f, 1.0f},
                              {-30.0f, 0.0f}}) {
    meter->setScaledValue(db);
    EXPECT_NEAR(meter->unscaled(), unscaled, 1e-6f) << db;
  }
}

TEST(ControlModules, LevelFollowersSettleOnTheirMeasure) {
  struct Case {
    int response;
    float expected;
  };
  // A 1.0 square wave of period 4: rms 1, peak 1, mean 0.
  for (const Case& c : {Case{ug_param_float_out::kVu, 1.0f}, Case{ug_param_float_out::kPpm, 1.0f},
                        Case{ug_param_float_out::kPeak, 1.0f}, Case{ug_param_float_out::kHeadRoom, 0.0f},
                        Case{ug_param_float_out::kDcAverage, 0.0f}}) {
    SCOPED_TRACE(c.response);
    ControlRig rig;
    auto [meter, ug] = rig.add<ui_param_float_out, ug_param_float_out>("Patch Parameter - Level Out");
    ug->response = static_cast<int16_t>(c.response);
    auto* source = static_cast<Signal*>(rig.builder->Add(rig.builder->root(), new Signal));
    source->fn = [](int64_t t) { return (t / 2) % 2 ? 1.0f : -1.0f; };
    rig.builder->Connect(source->GetPlug(0), ug->GetPlug(ug_param_float_out::kSignalIn));
    rig.start();
    runCalls(rig, 48000 * 5, {512});
    EXPECT_NEAR(ug->reported(), c.expected, 0.02f);
  }
}

}  // namespace
}  // namespace kv::test
