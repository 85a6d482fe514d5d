#pragma once
// CControl: a module that is also a parameter and keeps one stored value per patch
// (program), so that switching programs switches every panel value. The base of sliders,
// knobs, buttons, list selectors, lamps, text fields and displays.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/model/cug.h"
#include "document/model/generic_parameter.h"
#include "engine/stored_value_mirror.h"

namespace kv {

class ArchiveReader;
class ArchiveWriter;
class ControlValueLink;

class CControl : public CUG, public generic_parameter {
  KV_ARCHIVE_CLASS(CControl)
 public:
  enum ValueType : int32_t { kInteger = 0, kText = 1, kFloat = 3, kFloatAlt = 6 };

  CControl();  // for readers: floating type, 128 patches
  CControl(Module_Info* type, int32_t valueType, int32_t patchCount = 128);
  ~CControl() override;
  // The CUG record; from version 19 the control id (from 84), the value count and the values
  // by value type; the panel rectangle; from version 61 the hint.
  void serialize(Archive& ar) override;

  int32_t patchCount() const { return patch_count_; }
  int32_t valueType() const { return value_type_; }

  // patch -1 is the current patch.
  double GetValue(int patch = -1);
  int GetIntValue(int patch = -1);
  std::string GetPatchValueText(int patch = -1);
  // An unchanged value does nothing; a changed value of the current patch raises
  // ValueChanged(true); every change marks the document modified.
  void SetValue(int patch, double value);
  void SetIntValue(int patch, int value);
  void SetPatchValueText(int patch, const std::string& text);
  // send: watchers hear "value changed" (31, 0) and the value goes to the unit generator;
  // otherwise watchers hear "refresh the display" (31, 1).
  virtual void ValueChanged(bool send);
  // Copies one patch's value to the patches first..last (clamped to the patch count).
  void CopyValue(int fromPatch, int first, int last);
  // Stores a value text that the unit generator reported for `patch` (-1: the current
  // patch). Watchers hear of it only when that is the current patch.
  void refreshFrom(const std::string& valueText, int patch = -1);
  // Refreshable: takes the value the unit generator now holds (user-interface thread, after
  // the unit generator asked for a refresh).
  void refresh() override;
  // A program switch of the container: a control with per-patch values redraws from the new
  // program's value (its unit generator follows through "Patch Select").
  void onProgramCommand(int program) override;

  // Engine link. createRuntime hands the unit generator the stored values; applyHostValue
  // passes a host parameter's normalised value to it (audio thread, the pending
  // host-parameter hand-over); answers whether the unit generator took it.
  ug_base* createRuntime() override;
  void clearRuntime() override;
  bool applyHostValue(float normalised);
  // The copy of the stored values the engine reads.
  const StoredValueMirror& storedValueMirror() const { return *mirror_; }

  // The containing container's current program when the module keeps per-patch values
  // (an "Ignore Program Change" plug not "1" and more than one patch), else 0.
  int currentPatch();
  bool usesPerPatchValues();

  int32_t controlId() const { return control_id_; }
  void setControlId(int32_t id) { control_id_ = id; }
  bool singleValue() const { return single_value_; }
  const std::string& hint() const { return hint_; }
  void setHint(const std::string& hint);

  // Reader access: stored values as read (F8: sized to the patch count; one value stands for
  // all patches; missing ones take value 0, extras are dropped).
  void setStoredFloats(const std::vector<double>& values);
  void setStoredInts(const std::vector<int32_t>& values);
  void setStoredTexts(const std::vector<std::string>& values);
  const std::vector<double>& storedFloats() const { return floats_; }
  const std::vector<int32_t>& storedInts() const { return ints_; }
  const std::vector<std::string>& storedTexts() const { return texts_; }

  // CDocOb / CUG
  Rect getRect(int32_t kind) override;
  void setRect(int32_t kind, const Rect& rect) override;
  void pushPlugValue(CPlug2* plug) override;

  // generic_parameter
  std::string getUnit() override { return std::string(); }
  bool hasPrograms() override { return usesPerPatchValues(); }
  bool canExpose() override { return true; }
  bool isEditable() override { return true; }
  std::string getValueText() override { return GetPatchValueText(-1); }
  void setValueText(const std::string& text) override { SetPatchValueText(-1, text); }
  std::string getName() override { return getTitle(); }
  void setName(const std::string& text) override { setTitle(text); }
  int getDatatype() override;
  std::string getChoiceList() override { return std::string(); }
  std::string getExtraText() override { return hint_; }
  std::string getFileExtension() override { return std::string(); }
  bool isFileName() override { return false; }

  // Why a value text can't be stored (empty when it can): a control whose text has a form
  // of its own names what is wrong with a malformed one.
  virtual std::string valueTextError(const std::string& text) { return std::string(); }

  // The value the unit generator is given for a stored value (button appearances of a
  // slider snap to a limit).
  virtual double valueForEngine(double value) { return value; }
  // The MIDI controller and NRPN assigned through the module's plugs of those names.
  int getControllerId() override;
  int getNrpn() override;
  void setControllerId(int n) override;
  void setNrpn(int n) override;

  // Value text of a floating value: "%.3f" below 1, "%.2f" below 100, "%.1f" otherwise.
  static std::string floatText(double value);

 protected:
  // Rewrites the engine's copy of every stored value (after a change of how values map).
  void remirror() { mirrorAll(); }
  // Hands the current value to the unit generator: a panel message asking it to recall the
  // current patch's stored value (smoothed). Nothing while no engine runs.
  virtual void sendValueToEngine();
  ControlValueLink* valueLink() const { return link_; }

 private:
  void takeTypeDefaults();
  void loadValues(ArchiveReader& r);
  void storeValues(ArchiveWriter& w) const;
  int patchIndex(int patch);
  void afterChange(int patch);
  void mirrorPatch(int patch);
  void mirrorAll();
  void makeMirror();

  int32_t patch_count_ = 128;
  std::string hint_;
  int32_t value_type_ = kFloat;
  std::vector<double> floats_;
  std::vector<int32_t> ints_;
  std::vector<std::string> texts_;
  Rect panel_rect_{0, 0, 10, 10};
  int32_t control_id_ = 0;
  bool single_value_ = false;
  std::unique_ptr<StoredValueMirror> mirror_;
  ControlValueLink* link_ = nullptr;
};

}  // namespace kv
