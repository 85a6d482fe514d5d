// The audio thread of a patch with panel controls never allocates: panel edits, host
// automation, program changes and level reports all run on preallocated storage.
#include <gtest/gtest.h>

#include "document/model/panel_controls.h"
#include "modules/controls/level_out.h"
#include "modules/controls/list_entry.h"
#include "modules/controls/patch_select.h"
#include "modules/controls/slider.h"
#include "tests/engine/alloc_counter.h"
#include "tests/modules/controls/control_rig.h"

namespace kv::test {
namespace {

TEST(ControlsNoAlloc, ProcessingControlChangesAllocatesNothing) {
  ControlRig rig;
  rig.refreshes.reserve(256);
  rig.host_values.reserve(16);
  auto [slider, sliderUg] = rig.add<Ctl_Slider, ug_slider>("Slider");
  auto [list, listUg] = rig.add<Ctl_Combo, ug_combobox>("List Entry");
  auto [text, textUg] = rig.add<Ctl_Text, ug_text_entry>("Text Entry");
  auto [select, selectUg] = rig.add<Ctl_PatchSel, ug_patch_sel>("Patch Select");
  auto [meter, meterUg] = rig.add<ui_param_float_out, ug_param_float_out>("Patch Parameter - Level Out");
  rig.builder->Connect(sliderUg->GetPlug(ug_slider::kSignalOut), meterUg->GetPlug(ug_param_float_out::kSignalIn));
  listUg->SetListRange(0, 7);
  for (int p = 0; p < 128; ++p) {
    slider->SetValue(p, p * 0.05);
    text->SetPatchValueText(p, std::string(200, static_cast<char>('a' + p % 26)));
  }
  rig.start();
  rig.master.Run(512);

  long allocations = 0;
  for (int round = 0; round < 20; ++round) {
    // User-interface side (may allocate): a panel edit, host automation, a program change.
    slider->SetValue(-1, round * 0.3);
    text->SetPatchValueText(-1, "edit " + std::to_string(round));
    rig.hostParameter(list, (round % 8) / 7.0f);
    rig.doc.root->setProgram(round % 5);
    StartCountingAllocations();
    for (int call : {1, 64, 441, 100}) rig.master.Run(call);
    allocations += StopCountingAllocations();
    rig.serveRefreshes();
  }
  EXPECT_EQ(allocations, 0);
  EXPECT_EQ(rig.doc.root->currentProgram(), 4);
}

}  // namespace
}  // namespace kv::test
