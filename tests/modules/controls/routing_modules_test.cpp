// Switches and "Voltage To List" in a running engine.
#include <gtest/gtest.h>

#include "document/model/panel_controls.h"
#include "modules/controls/list_entry.h"
#include "modules/controls/switches.h"
#include "tests/modules/controls/control_rig.h"

namespace kv::test {
namespace {

TEST(RoutingModules, SwitchClampsTheChoiceAndSilencesTheOutputItLeaves) {
  ControlRig rig;
  auto [list, listUg] = rig.add<Ctl_Combo, ug_combobox>("List Entry");
  list->SetIntValue(0, 5);  // beyond the last output
  auto* sw = static_cast<ug_switch*>(rig.builder->Add(rig.builder->root(), new ug_switch));
  for (int i = 0; i < 3; ++i) sw->AddPlug(new UPlug(sw, DR_OUT, dt_volts));
  sw->SetupPlugs();
  auto* source = static_cast<Signal*>(rig.builder->Add(rig.builder->root(), new Signal));
  source->fn = [](int64_t) { return 0.3f; };
  rig.builder->Connect(listUg->GetPlug(ug_combobox::kChoice), sw->GetPlug(ug_switch::kChoice));
  rig.builder->Connect(source->GetPlug(0), sw->GetPlug(ug_switch::kInput));
  std::vector<Recorder*> outs;
  for (int i = 0; i < 3; ++i) outs.push_back(rig.record(sw, ug_switch::kFirstOutput + i));
  rig.start();
  rig.master.Run(64);
  EXPECT_EQ(sw->selected(), 2);
  EXPECT_EQ(outs[2]->samples.back(), 0.3f);

  list->SetIntValue(-1, 0);
  rig.master.Run(64);
  rig.master.Run(64);
  EXPECT_EQ(sw->selected(), 0);
  EXPECT_EQ(outs[0]->samples.back(), 0.3f);
  for (int k = 64; k < 128; ++k) EXPECT_EQ(outs[2]->samples[k], 0.0f) << k;
}

TEST(RoutingModules, SwitchWithoutOutputsRoutesNothing) {
  ControlRig rig;
  auto* sw = static_cast<ug_switch*>(rig.builder->Add(rig.builder->root(), new ug_switch));
  sw->choice = 3;
  rig.start();
  rig.master.Run(256);
  EXPECT_EQ(sw->selected(), -1);
}

TEST(RoutingModules, VoltageToListPicksTheNearestEntryOfTheDrivenList) {
  ControlRig rig;
  CUG* convert = rig.doc.add(rig.doc.root, "Voltage To List");
  CUG* osc = rig.doc.add(rig.doc.root, "T Osc");
  rig.doc.root->makeLine(convert->findPlug("List Out"), osc->findPlug("Wave"));  // 3 entries
  rig.modules.push_back(convert);
  auto* ug = static_cast<ug_voltage_to_enum*>(convert->createRuntime());
  rig.builder->Add(rig.builder->root(), ug);
  auto* source = static_cast<Signal*>(rig.builder->Add(rig.builder->root(), new Signal));
  // 0 V, 2.4 V, 2.6 V and 10 V for 100 samples each.
  source->fn = [](int64_t t) { return t < 100 ? 0.0f : t < 200 ? 0.24f : t < 300 ? 0.26f : 1.0f; };
  rig.builder->Connect(source->GetPlug(0), ug->GetPlug(ug_voltage_to_enum::kSignalIn));
  rig.start();
  for (int expected : {0, 0, 1, 2}) {
    rig.master.Run(100);
    EXPECT_EQ(ug->list_out, expected);
  }
}

}  // namespace
}  // namespace kv::test
