// Host parameter links: values from the host, control changes reported to the host only
// under the control's notification rules, and a control that goes away.
#include "plugin/param_info.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "document/model/generic_parameter.h"

namespace kv {
namespace {

class FakeControl : public generic_parameter {
 public:
  double getNormalised() override { return value; }
  void setNormalised(double x) override {
    value = x;
    ++sets;
    notifyValueChanged();
  }
  // A change made inside the patch: argument 0 from the panel, 1 from the running engine.
  void change(double x, intptr_t argument) {
    value = x;
    notify(kNotifyValueChanged, argument);
  }
  bool notifyHostOnEdit() override { return onEdit; }
  bool alwaysNotifyHost() override { return always; }
  std::string getUnit() override { return ""; }
  bool hasPrograms() override { return true; }
  bool canExpose() override { return true; }
  bool isEditable() override { return true; }
  std::string getValueText() override { return ""; }
  void setValueText(const std::string&) override {}
  std::string getName() override { return "C"; }
  void setName(const std::string&) override {}
  int getDatatype() override { return 7; }
  std::string getChoiceList() override { return ""; }
  std::string getExtraText() override { return ""; }
  std::string getFileExtension() override { return ""; }
  bool isFileName() override { return false; }

  double value = 0.25;
  int sets = 0;
  bool onEdit = true;
  bool always = false;
};

struct Automation : HostAutomation {
  void automateHostParameter(int32_t index, float value) override { calls.push_back({index, value}); }
  std::vector<std::pair<int32_t, float>> calls;
};

TEST(ParamInfo, HostValuesAreCachedAndMarkedDirty) {
  FakeControl control;
  Automation host;
  param_info link;
  link.attach(&host, &control, 4);
  EXPECT_FLOAT_EQ(link.value(), 0.25f);
  EXPECT_FALSE(link.dirty());

  EXPECT_FALSE(link.storeFromHost(0.25f));  // the cached value: nothing happens
  EXPECT_FALSE(link.dirty());
  EXPECT_TRUE(link.storeFromHost(0.75f));
  EXPECT_TRUE(link.dirty());
  EXPECT_EQ(control.sets, 0);  // the control is not touched by the host call

  // Applied on the user-interface thread: the control takes it, the host hears no echo.
  link.applyToControl();
  EXPECT_EQ(control.sets, 1);
  EXPECT_DOUBLE_EQ(control.value, 0.75);
  EXPECT_FALSE(link.dirty());
  EXPECT_TRUE(host.calls.empty());
  link.applyToControl();  // nothing dirty: nothing written
  EXPECT_EQ(control.sets, 1);
}

// Which control changes reach the host as automation.
TEST(ParamInfo, ControlChangesReachTheHostUnderItsRules) {
  struct Case {
    bool always, onEdit;
    intptr_t argument;
    bool reported;
  };
  const Case cases[] = {
      {false, true, 0, true},    // a panel edit of an automatable control
      {false, false, 0, false},  // a panel edit of a control that does not notify on edit
      {false, true, 1, false},   // the running engine changed it
      {true, false, 1, true},    // always notify: even engine changes
  };
  for (const Case& k : cases) {
    FakeControl control;
    control.always = k.always;
    control.onEdit = k.onEdit;
    Automation host;
    param_info link;
    link.attach(&host, &control, 2);
    control.change(0.5, k.argument);
    ASSERT_EQ(host.calls.size(), k.reported ? 1u : 0u) << k.always << k.onEdit << k.argument;
    if (k.reported) {
      EXPECT_EQ(host.calls[0], std::make_pair(2, 0.5f));
    }
    EXPECT_FLOAT_EQ(link.value(), 0.5f);  // the cached value follows in every case
    control.change(0.5, k.argument);      // unchanged: never reported again
    EXPECT_EQ(host.calls.size(), k.reported ? 1u : 0u);
  }
}

// A host value stored while the user-interface thread is between reading a control change
// and publishing it (the host calls from the audio thread): the host's value wins, reaches
// the engine (or, with none, the control) and the older control value is not reported.
TEST(ParamInfo, AHostValueArrivingDuringAControlChangeWins) {
  struct Race {
    param_info* link;
    float host_value;
    int runs = 0;
  };
  for (const intptr_t argument : {intptr_t{0}, intptr_t{1}}) {
    for (const bool engine : {true, false}) {
      FakeControl control;
      Automation host;
      param_info link;
      link.attach(&host, &control, 3);
      Race race{&link, 0.9f};
      link.setRaceHookForTest(
          [](void* context) {
            auto* r = static_cast<Race*>(context);
            if (r->runs++ == 0) r->link->storeFromHost(r->host_value);
          },
          &race);
      control.change(0.5, argument);
      link.setRaceHookForTest(nullptr, nullptr);
      ASSERT_EQ(race.runs, 1) << argument;

      EXPECT_FLOAT_EQ(link.value(), 0.9f) << argument;
      EXPECT_TRUE(link.dirty()) << argument;
      EXPECT_TRUE(host.calls.empty()) << argument;
      if (engine) {
        float handed = 0.0f;
        ASSERT_TRUE(link.takeDirty(handed));
        EXPECT_FLOAT_EQ(handed, 0.9f);
        EXPECT_FALSE(link.takeDirty(handed));
        // Until the engine's refresh arrives, a saved state holds the host's value.
        link.syncToControl();
      } else {
        link.applyToControl();
      }
      EXPECT_DOUBLE_EQ(control.value, 0.9f) << argument << engine;
      EXPECT_FLOAT_EQ(link.value(), 0.9f);
      EXPECT_TRUE(host.calls.empty());
    }
  }
}

// The value handed to the engine is the one the dirty mark was for; a later host value is
// marked again for the next run.
TEST(ParamInfo, TakingADirtyValueKeepsALaterOneDirty) {
  FakeControl control;
  Automation host;
  param_info link;
  link.attach(&host, &control, 0);
  float handed = 0.0f;
  EXPECT_FALSE(link.takeDirty(handed));
  ASSERT_TRUE(link.storeFromHost(0.6f));
  ASSERT_TRUE(link.takeDirty(handed));
  EXPECT_FLOAT_EQ(handed, 0.6f);
  ASSERT_TRUE(link.storeFromHost(0.7f));
  EXPECT_TRUE(link.dirty());
  // The engine's refresh of the first value comes back while the second is on its way:
  // ignored, the second stays.
  control.change(0.6, 1);
  EXPECT_FLOAT_EQ(link.value(), 0.7f);
  ASSERT_TRUE(link.takeDirty(handed));
  EXPECT_FLOAT_EQ(handed, 0.7f);
  control.change(0.7, 1);  // the engine's refresh: in step, nothing reported
  EXPECT_FALSE(link.dirty());
  link.syncToControl();  // already synced by the refresh: the control is not written again
  EXPECT_EQ(control.sets, 0);
  EXPECT_TRUE(host.calls.empty());
}

// Writing host values into the control (before a program is left or a chunk is read) takes
// values the engine has already received but the control not yet, and writes each value
// once: a second call finds nothing to write.
TEST(ParamInfo, HostValuesAreWrittenIntoTheControlOnce) {
  FakeControl control;
  Automation host;
  param_info link;
  link.attach(&host, &control, 1);
  float handed = 0.0f;
  ASSERT_TRUE(link.storeFromHost(0.6f));
  ASSERT_TRUE(link.takeDirty(handed));  // the engine has it; the control does not
  link.applyToControl();
  EXPECT_DOUBLE_EQ(control.value, 0.6f);
  link.applyToControl();
  EXPECT_EQ(control.sets, 1);

  ASSERT_TRUE(link.storeFromHost(0.8f));  // dirty: the control takes it for the engine
  link.applyToControl();
  EXPECT_DOUBLE_EQ(control.value, 0.8f);
  EXPECT_FALSE(link.takeDirty(handed));
  // A program switch after the write: the link follows the new program's value and
  // nothing is written into it later.
  control.change(0.3, 1);
  EXPECT_FLOAT_EQ(link.value(), 0.3f);
  link.applyToControl();
  link.syncToControl();
  EXPECT_EQ(control.sets, 2);
  EXPECT_TRUE(host.calls.empty());
}

TEST(ParamInfo, ForgetsADestroyedControl) {
  Automation host;
  param_info link;
  {
    FakeControl control;
    link.attach(&host, &control, 0);
  }
  EXPECT_EQ(link.parameter(), nullptr);
  link.storeFromHost(0.9f);
  link.applyToControl();  // no control: nothing to write, no crash
  EXPECT_FLOAT_EQ(link.value(), 0.9f);
}

TEST(ParamInfo, HostValuesAreSanitised) {
  float v = std::nanf("");
  EXPECT_FALSE(sanitiseHostValue(v));
  v = -3.0f;
  EXPECT_TRUE(sanitiseHostValue(v));
  EXPECT_EQ(v, 0.0f);
  v = 7.0f;
  EXPECT_TRUE(sanitiseHostValue(v));
  EXPECT_EQ(v, 1.0f);
}

}  // namespace
}  // namespace kv
