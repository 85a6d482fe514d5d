#pragma once
// "List Entry" (ug_combobox): the stored item value of a list, output as an enumeration on
// "Choice". The list's smallest and largest values come from the document (the choice list
// of the input "Choice" drives); a controller value x picks floor((max - min) x + min + 0.5).
//
// "Text Entry" (ug_text_entry): the stored text, output on "Text Out".
#include <atomic>

#include "engine/plug.h"
#include "modules/controls/ug_control.h"

namespace kv {

class ug_combobox : public ug_control {
 public:
  enum PlugIndex { kChoice = 6, kAppearance, kShowTitle };

  ug_combobox();
  ug_base* CreateObject() override { return new ug_combobox; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  ug_base* Clone() override;
  void Open() override;

  void RecallValue(int patch, bool smooth) override;
  bool OnControllerValue(float normalised) override;
  std::string GetValueText() const override;
  float GetNormalised() const override;
  void SetListRange(int min, int max) override;

  int value() const { return value_.load(std::memory_order_relaxed); }

  int16_t choice = 0;
  int16_t appearance = 0;
  uint8_t show_title = 1;

 protected:
  void ApplyValue(float value, bool smooth) override;

 private:
  std::atomic<int> value_{0};
  int min_ = 0;
  int max_ = 0;
};

class ug_text_entry : public ug_control {
 public:
  enum PlugIndex { kTextOut = 6, kShowTitle };

  ug_text_entry();
  ug_base* CreateObject() override { return new ug_text_entry; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;

  void RecallValue(int patch, bool smooth) override;
  bool OnControllerValue(float) override { return false; }
  // The stored text of the patch in use (the unit generator never changes it itself).
  std::string GetValueText() const override;
  float GetNormalised() const override { return 0.0f; }

  TextValue text;
  uint8_t show_title = 1;
};

}  // namespace kv
