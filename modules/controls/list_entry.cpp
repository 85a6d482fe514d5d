#include "modules/controls/list_entry.h"

#include <cmath>

#include "engine/number_text.h"
#include "engine/stored_value_mirror.h"

namespace kv {

namespace {
constexpr const char* kListAppearances =
    "Combo Box=0, LED Stack, Labeled LED Stack, Selector, Button Stack, Rotary Switch, "
    "Rotary (No Text), Up/Down Select";

int16_t toInt16(double v) {
  if (!(v >= -32768.0)) return v != v ? 0 : -32768;
  return v > 32767.0 ? 32767 : static_cast<int16_t>(v);
}
}  // namespace

// ---- List Entry ----

ug_combobox::ug_combobox() { SetProcessFunction(&ug_combobox::sub_process_sleep); }

void ug_combobox::ListInterface(std::vector<InterfaceObject>& list) {
  ListCommonPlugs(this, list);
  list.push_back(
      EnumOut(&choice, "Choice").Help("Connect this to any input needing a list of values"));
  list.push_back(EnumParameter(&appearance, "Appearance", kListAppearances).Default("0"));
  list.push_back(BoolParameter(&show_title, "Show Title On Panel")
                     .Default("1")
                     .Help("Leaves control's title blank on Control Panel"));
}

ug_base* ug_combobox::Clone() {
  ug_base* copy = ug_control::Clone();
  if (auto* c = dynamic_cast<ug_combobox*>(copy)) c->SetListRange(min_, max_);
  return copy;
}

void ug_combobox::SetListRange(int min, int max) {
  min_ = min;
  max_ = max;
}

void ug_combobox::Open() {
  ug_control::Open();
  RecallValue(-1, false);
}

void ug_combobox::RecallValue(int patch, bool) {
  const int p = patch < 0 ? current_patch() : patch;
  ApplyValue(values_ ? static_cast<float>(values_->number(p)) : 0.0f, false);
}

void ug_combobox::ApplyValue(float v, bool) {
  const int16_t n = toInt16(v);
  value_.store(n, std::memory_order_relaxed);
  choice = n;
  if (flags & UGF_OPEN) GetPlug(kChoice)->TransmitState(clock, ST_ONE_OFF);
}

bool ug_combobox::OnControllerValue(float x) {
  const double v = std::floor((static_cast<double>(max_) - min_) * x + min_ + 0.5);
  const int16_t n = toInt16(v);
  if (n == value()) return false;
  value_.store(n, std::memory_order_relaxed);
  PostValue(static_cast<float>(n), false);
  RequestDocumentRefresh();
  return true;
}

float ug_combobox::GetNormalised() const {
  if (max_ == min_) return 0.0f;
  return static_cast<float>(value() - min_) / static_cast<float>(max_ - min_);
}

std::string ug_combobox::GetValueText() const { return formatInt(value()); }

// ---- Text Entry ----

ug_text_entry::ug_text_entry() { SetProcessFunction(&ug_text_entry::sub_process_sleep); }

void ug_text_entry::ListInterface(std::vector<InterfaceObject>& list) {
  ListCommonPlugs(this, list);
  list.push_back(TextOut(&text, "Text Out"));
  list.push_back(BoolParameter(&show_title, "Show Title On Panel")
                     .Default("1")
                     .Help("Leaves control's title blank on Control Panel"));
}

void ug_text_entry::Open() {
  ug_control::Open();
  RecallValue(-1, false);
}

void ug_text_entry::RecallValue(int patch, bool) {
  const int p = patch < 0 ? current_patch() : patch;
  char buffer[StoredValueMirror::kTextWords * 8];
  const std::size_t n = values_ ? values_->text(p, buffer, sizeof buffer) : 0;
  text.Assign(std::string_view(buffer, n));
  if (flags & UGF_OPEN) GetPlug(kTextOut)->TransmitState(clock, ST_ONE_OFF);
}

std::string ug_text_entry::GetValueText() const {
  return values_ ? values_->text(current_patch()) : std::string();
}

}  // namespace kv
