#pragma once
// The panel control modules: the document side of sliders, knobs, buttons, list selectors,
// lamps, text fields and the patch parameters, plus the panel helpers that have no unit
// generator of their own (scaler, spring, control group). Their panel faces are built by
// the panel; here they keep values, map them to and from the host's 0..1 range and read and
// write their archive records.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/model/control.h"
#include "document/model/features.h"

namespace kv {

// A floating-point control whose range is its "Lo Value" and "Hi Value" plugs (volts).
// Normalised value: (value - lo) / (hi - lo), clamped to 0..1 (0 when the two are equal).
// For the button appearances the engine gets whichever limit lies nearer the stored value.
class Ctl_Slider : public CControl {
  KV_ARCHIVE_CLASS(Ctl_Slider)
 public:
  Ctl_Slider() = default;
  explicit Ctl_Slider(Module_Info* type, int32_t patchCount = 128)
      : CControl(type, kFloat, patchCount) {}
  ~Ctl_Slider() override;

  double lo();
  double hi();
  // Writes both limit plugs with three decimals.
  void setLimits(double lo, double hi);
  // The "Appearance" plug's number (0 without the plug).
  int appearance();
  bool buttonAppearance();

  double getNormalised() override;
  void setNormalised(double x) override;
  std::string textForNormalised(double x) override;
  bool notifyHostOnEdit() override { return true; }
  double valueForEngine(double value) override;
  void pushPlugValue(CPlug2* plug) override;
};

// "Button": a floating-point control like the slider.
class Ctl_PushButton : public Ctl_Slider {
  KV_ARCHIVE_CLASS(Ctl_PushButton)
 public:
  Ctl_PushButton() = default;
  explicit Ctl_PushButton(Module_Info* type) : Ctl_Slider(type) {}
  ~Ctl_PushButton() override;
};

// "LED Indicator": one value shared by every program; a display, so every change goes to
// the host. Its unit generator reports a level that the lamp shows x 0.01.
class Ctl_LED : public CControl {
  KV_ARCHIVE_CLASS(Ctl_LED)
 public:
  Ctl_LED() : CControl(nullptr, kFloat, 1) {}
  explicit Ctl_LED(Module_Info* type) : CControl(type, kFloat, 1) {}
  ~Ctl_LED() override;
  bool alwaysNotifyHost() override { return true; }
  double getNormalised() override;
  void setNormalised(double x) override { SetValue(-1, x * 100.0); }
};

// "List Entry": an integer control whose items are the choice list of the input its
// "Choice" output drives.
class Ctl_Combo : public CControl {
  KV_ARCHIVE_CLASS(Ctl_Combo)
 public:
  Ctl_Combo() : CControl(nullptr, kInteger) {}
  explicit Ctl_Combo(Module_Info* type) : CControl(type, kInteger) {}
  ~Ctl_Combo() override;
  int getDatatype() override { return dt_enum; }
  std::string getChoiceList() override;
  bool notifyHostOnEdit() override { return true; }
  ug_base* createRuntime() override;
};

// "Text Entry": a text control; a new one holds "xxx".
class Ctl_Text : public CControl {
  KV_ARCHIVE_CLASS(Ctl_Text)
 public:
  Ctl_Text() : CControl(nullptr, kText) {}
  explicit Ctl_Text(Module_Info* type);
  ~Ctl_Text() override;
  bool notifyHostOnEdit() override { return true; }
};

// The base of the patch parameters: a floating-point control with the plain record.
class ui_control2 : public CControl {
  KV_ARCHIVE_CLASS(ui_control2)
 public:
  ui_control2() = default;
  explicit ui_control2(Module_Info* type, int32_t patchCount = 128)
      : CControl(type, kFloat, patchCount) {}
  ~ui_control2() override;
};

// "Patch Parameter - Voltage": a value of the patch memories that drives a voltage. From
// version 95072 its record adds two settings (MIDI controller, initially -1, and NRPN,
// initially 0) that it hands to its unit generator.
class ui_param_float_in : public ui_control2 {
  KV_ARCHIVE_CLASS(ui_param_float_in)
 public:
  ui_param_float_in() = default;
  explicit ui_param_float_in(Module_Info* type) : ui_control2(type) {}
  ~ui_param_float_in() override;
  void serialize(Archive& ar) override;
  bool notifyHostOnEdit() override { return true; }
  int32_t controllerSetting() const { return controller_; }
  int32_t nrpnSetting() const { return nrpn_; }
  void setSettings(int32_t controller, int32_t nrpn) {
    controller_ = controller;
    nrpn_ = nrpn;
  }
  ug_base* createRuntime() override;

 private:
  int32_t controller_ = -1;
  int32_t nrpn_ = 0;
};

// "Patch Parameter - Level Out": shows (and tells the host) the level its unit generator
// follows. Features: 0 "Unscaled Value", 1 "Scaled Value", 2 "Hi Value", 3 "Lo Value",
// 4 "Scale" (Volts, dB, VU stretch). A refresh turns the engine's level x into the scaled
// value (10x volts, or 20 log10(x) + 10 dB, -150 below 1e-8) and stores its text as the value.
class ui_param_float_out : public ui_control2 {
  KV_ARCHIVE_CLASS(ui_param_float_out)
 public:
  ui_param_float_out();
  explicit ui_param_float_out(Module_Info* type);
  ~ui_param_float_out() override;
  bool alwaysNotifyHost() override { return true; }
  bool getFeature(int32_t index, feature_info& out) override;
  void refresh() override;
  // The engine's level (1.0 = 10 V) as the scaled value.
  void takeLevel(float level);

  float unscaled() const { return unscaled_.get(); }
  float scaled() const { return scaled_.get(); }
  void setScale(int16_t scale) { scale_.set(scale); }
  void setScaledValue(float s) { scaled_.set(s); }
  void setUnscaledValue(float u) { unscaled_.set(u); }
  void setLimits(float lo, float hi);

 private:
  void onUnscaled();
  void onScaled();
  variable_addin<float, ui_param_float_out> unscaled_{this, &ui_param_float_out::onUnscaled};
  variable_addin<float, ui_param_float_out> scaled_{this, &ui_param_float_out::onScaled};
  variable_addin<float, ui_param_float_out> hi_{this, &ui_param_float_out::onUnscaled};
  variable<float> lo_;
  variable<int16_t> scale_;
  bool updating_ = false;
};

// "Patch Select": links its container's programs to the engine. A program switch of the
// container is posted to its unit generator (which has every control of its patch context
// recall that program); a program change the unit generator received (MIDI) comes back as
// a refresh that switches the container. Files before version 50 store a complete control
// record here instead of the module record: it is read into an old-style control kept by
// the module.
class Ctl_PatchSel : public CUG {
  KV_ARCHIVE_CLASS(Ctl_PatchSel)
 public:
  Ctl_PatchSel() = default;
  explicit Ctl_PatchSel(Module_Info* type) : CUG(type) {}
  ~Ctl_PatchSel() override;
  void serialize(Archive& ar) override;
  void onProgramCommand(int program) override;
  void refresh() override;
  ug_base* createRuntime() override;
  void clearRuntime() override;
  CControl* oldStyleControl() const { return old_control_.get(); }

 private:
  std::unique_ptr<CControl> old_control_;
  ControlValueLink* link_ = nullptr;
  int16_t engine_program_ = -1;
};

// "Scaler": features 0 "Unscaled Value", 1 "Scaled Value", 2 "Hi Value", 3 "Lo Value".
// scaled = lo + unscaled x (hi - lo); a scaled value set from its control side gives
// unscaled = (scaled - lo) / (hi - lo).
class ui_scaler : public CUG {
  KV_ARCHIVE_CLASS(ui_scaler)
 public:
  ui_scaler() = default;
  explicit ui_scaler(Module_Info* type) : CUG(type) {}
  ~ui_scaler() override;
  bool getFeature(int32_t index, feature_info& out) override;
  float unscaled() const { return unscaled_.get(); }
  float scaled() const { return scaled_.get(); }
  void setUnscaledValue(float v) { unscaled_.set(v); }
  void setScaledValue(float v) { scaled_.set(v); }
  void setLimits(float lo, float hi);

 private:
  void onUnscaled();
  void onScaled();
  variable_addin<float, ui_scaler> unscaled_{this, &ui_scaler::onUnscaled};
  variable_addin<float, ui_scaler> scaled_{this, &ui_scaler::onScaled};
  variable_addin<float, ui_scaler> hi_{this, &ui_scaler::onUnscaled};
  variable_addin<float, ui_scaler> lo_{this, &ui_scaler::onUnscaled};
  bool updating_ = false;
};

// "Spring": features "Reset Value", "Mouse Down" (bool), "Normalised Value"; releasing the
// mouse sets the normalised value back to the reset value.
class ui_spring : public CUG {
  KV_ARCHIVE_CLASS(ui_spring)
 public:
  ui_spring() = default;
  explicit ui_spring(Module_Info* type) : CUG(type) {}
  ~ui_spring() override;
  bool getFeature(int32_t index, feature_info& out) override;
  void setMouseDown(bool down) { mouse_down_.set(down); }
  void setResetValue(float v) { reset_.set(v); }
  void setNormalisedValue(float v) { normalised_.set(v); }
  float normalisedValue() const { return normalised_.get(); }

 private:
  void onMouse();
  variable<float> reset_;
  variable_addin<bool, ui_spring> mouse_down_{this, &ui_spring::onMouse};
  variable<float> normalised_;
};

// The base of the panel objects placed as modules (images and groups): a panel rectangle
// and a reference to another document object that the record keeps.
class control_ob_base : public CUG {
  KV_ARCHIVE_CLASS(control_ob_base)
 public:
  control_ob_base() = default;
  explicit control_ob_base(Module_Info* type) : CUG(type) {}
  ~control_ob_base() override;
  void serialize(Archive& ar) override;
  Rect getRect(int32_t kind) override;
  void setRect(int32_t kind, const Rect& rect) override;
  CDocOb* referencedObject() const { return reference_; }

 private:
  friend class control_group_ob;
  // The patch (or the outermost group when the object belongs to none) it lies in.
  CDocOb* outermost();
  CDocOb* reference_ = nullptr;  // not owned; written back only while still in the patch
  class control_group_ob* group_ = nullptr;
  Rect panel_rect_{0, 0, 10, 10};
};

// "Control Group": owns panel objects placed together; member rectangles are relative to the
// group's. Its record lists the members, ended by a null slot.
class control_group_ob : public control_ob_base {
  KV_ARCHIVE_CLASS(control_group_ob)
 public:
  control_group_ob() = default;
  explicit control_group_ob(Module_Info* type) : control_ob_base(type) {}
  ~control_group_ob() override;
  void serialize(Archive& ar) override;
  void setParent(CContainer* parent) override;
  void afterLoad() override;
  const std::vector<control_ob_base*>& members() const { return members_; }
  // Takes the objects as members: the union of their panel rectangles becomes the group's,
  // and each member's rectangle is moved by minus the union's top-left corner.
  void addMembers(const std::vector<control_ob_base*>& objects);

 private:
  std::vector<control_ob_base*> members_;
};

}  // namespace kv
