// Stored values of control modules: per patch, value texts, copying, refresh.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "document/model/control.h"
#include "engine/number_text.h"
#include "document/model/param_watcher.h"
#include "tests/document/doc_fixture.h"

namespace kv::test {
namespace {

struct Counter : ParamWatcher {
  std::vector<intptr_t> args;
  void onValueChanged(intptr_t a) override { args.push_back(a); }
};

TEST(Control, ValueTexts) {
  EXPECT_EQ(CControl::floatText(0.5), "0.500");
  EXPECT_EQ(CControl::floatText(50), "50.00");
  EXPECT_EQ(CControl::floatText(150), "150.0");
  EXPECT_EQ(CControl::floatText(-5), "-5.000");
  // Values that round up to the next band print in it, so the text read back prints the same
  // (a saved state given back to the plug-in must come back byte for byte).
  for (double v : {0.9996, 0.99951, 99.996, 99.9951, 0.0004, -0.0004, 1.0, 100.0}) {
    const std::string text = CControl::floatText(v);
    EXPECT_EQ(CControl::floatText(parseDouble(text)), text) << v;
  }
  EXPECT_EQ(CControl::floatText(0.9996), "1.00");
  EXPECT_EQ(CControl::floatText(99.996), "100.0");
  DocFixture f;
  auto* combo = f.add<CControl>(f.root, "List Entry");
  combo->SetIntValue(-1, 7);
  EXPECT_EQ(combo->GetPatchValueText(), "7");
  EXPECT_EQ(CControl(nullptr, 2).GetPatchValueText(0), "UnSupported Datatype");
}

TEST(Control, OnlyPatchZeroWithoutPerProgramValues) {
  DocFixture f;
  auto* slider = new CControl(testType("T Plain Control", {}), CControl::kFloat);
  f.root->adopt(slider);
  f.root->setCurrentProgramQuiet(5);
  EXPECT_EQ(slider->currentPatch(), 0);  // no "Ignore Program Change" plug
  slider->SetValue(-1, 2.0);
  EXPECT_EQ(slider->GetValue(0), 2.0);
  EXPECT_EQ(slider->GetValue(5), 0.0);

  // A control type with the plug: per-patch values unless it holds "1".
  Module_Info* type = testType("T Knob", {decl("Ignore Program Change", DR_PARAMETER, dt_bool, "0")});
  auto* knob = new CControl(type, CControl::kFloat);
  f.root->adopt(knob);
  EXPECT_EQ(knob->currentPatch(), 5);
  knob->SetValue(-1, 3.0);
  EXPECT_EQ(knob->GetValue(5), 3.0);
  EXPECT_EQ(knob->GetValue(0), 0.0);
  knob->findPlug("Ignore Program Change")->setValueText("1");
  EXPECT_EQ(knob->currentPatch(), 0);
}

TEST(Control, ChangesNotifyOnlyWhenTheValueChanges) {
  DocFixture f;
  auto* slider = f.add<CControl>(f.root, "Slider");
  Counter w;
  w.setParameter(static_cast<generic_parameter*>(slider));
  w.args.clear();
  f.doc.setModified(false);
  slider->SetValue(-1, 0.0);  // unchanged
  EXPECT_TRUE(w.args.empty());
  EXPECT_FALSE(f.doc.isModified());
  slider->SetValue(-1, 1.5);
  EXPECT_EQ(w.args, std::vector<intptr_t>{0});
  EXPECT_TRUE(f.doc.isModified());
  slider->refreshFrom("2.25");
  EXPECT_EQ(w.args, (std::vector<intptr_t>{0, 1}));
  EXPECT_EQ(slider->GetValue(), 2.25);
}

TEST(Control, CopyValueIsClampedToThePatchCount) {
  DocFixture f;
  auto* slider = f.add<CControl>(f.root, "Slider");
  slider->SetValue(0, 4.0);
  slider->CopyValue(0, 100, 200);
  EXPECT_EQ(slider->GetValue(100), 4.0);
  EXPECT_EQ(slider->GetValue(127), 4.0);
  EXPECT_EQ(slider->GetValue(99), 0.0);
  // Stored values as a reader finds them: one value stands for all patches.
  slider->setStoredFloats({0.25});
  EXPECT_TRUE(slider->singleValue());
  EXPECT_EQ(slider->GetValue(77), 0.25);
  slider->setStoredFloats({1, 2, 3});
  EXPECT_FALSE(slider->singleValue());
  EXPECT_EQ(slider->GetValue(2), 3.0);
  EXPECT_EQ(slider->GetValue(3), 1.0);  // missing values take value 0's
}

}  // namespace
}  // namespace kv::test
