#include "document/model/env_edit_control.h"

#include <algorithm>
#include <cmath>

#include "document/archive/archive.h"
#include "document/model/extra_parameter.h"
#include "engine/number_text.h"
#include "engine/audio_master.h"
#include "engine/envelope_segment_list.h"
#include "engine/ug_base.h"
#include "platform/message_service.h"

namespace kv {

const ArchiveClass Ctl_Env_Edit::kArchiveClass{"Ctl_Env_Edit", 1, &CControl::kArchiveClass,
                                               &createArchivable<Ctl_Env_Edit>};

Ctl_Env_Edit::Ctl_Env_Edit()
    : CControl(nullptr, kText), store_(std::make_shared<EnvSegmentStore>()) {
  ReadEnvSegmentText(kEnvDefaultText, envelope_);
  addSelectionParameters();
}

Ctl_Env_Edit::Ctl_Env_Edit(Module_Info* type)
    : CControl(type, kText), store_(std::make_shared<EnvSegmentStore>()) {
  ReadEnvSegmentText(kEnvDefaultText, envelope_);
  setStoredTexts({kEnvDefaultText});
  addSelectionParameters();
}

Ctl_Env_Edit::~Ctl_Env_Edit() = default;

void Ctl_Env_Edit::addSelectionParameters() {
  addExtraParameter(new parameter_cug_xtra(
      "Cur Segment", dt_enum, [this] { return formatInt(selected_); },
      [this](const std::string& t) {
        int index = 0;
        if (parseIntStrict(t, index)) selectSegment(index);
      },
      [this] { return "range 0," + formatInt(static_cast<long long>(envelope_.segments.size()) - 1); }));
  addExtraParameter(new parameter_cug_xtra(
      "Segment Rate", dt_double,
      [this] {
        const auto& s = envelope_.segments;
        const float previous = selected_ > 0 ? s[selected_ - 1].end_time : 0.0f;
        return floatText(s[selected_].end_time - previous);
      },
      [this](const std::string& t) { setSelectedDuration(parseDouble(t)); }));
  addExtraParameter(new parameter_cug_xtra(
      "Segment Level", dt_double, [this] { return floatText(envelope_.segments[selected_].level * 10.0f); },
      [this](const std::string& t) { setSelectedLevel(parseDouble(t)); }));
}

// ---- reading the text ----

bool Ctl_Env_Edit::readCurrentText() {
  std::string text = GetPatchValueText(-1);
  if (text.empty()) text = kEnvDefaultText;
  const std::string error = ReadEnvSegmentText(text, envelope_);
  selected_ = std::clamp(selected_, 0, static_cast<int>(envelope_.segments.size()) - 1);
  if (!error.empty()) showMessage(getTitle() + " : the envelope text was not taken: " + error);
  notifySelection();
  return error.empty();
}

std::string Ctl_Env_Edit::valueTextError(const std::string& text) {
  if (text.empty()) return std::string();  // the default envelope
  EnvSegmentText scratch;
  return ReadEnvSegmentText(text, scratch);
}

std::string Ctl_Env_Edit::getValueText() {
  std::string text = GetPatchValueText(-1);
  return text.empty() ? std::string(kEnvDefaultText) : text;
}

void Ctl_Env_Edit::setValueText(const std::string& text) {
  const std::string error = valueTextError(text);
  if (!error.empty()) {
    showMessage(getTitle() + " : the envelope text was not taken: " + error);
    return;
  }
  SetPatchValueText(-1, text);
}

void Ctl_Env_Edit::ValueChanged(bool send) {
  // An empty text takes the default, which comes back here as a change of its own.
  if (GetPatchValueText(-1).empty()) {
    SetPatchValueText(-1, kEnvDefaultText);
    return;
  }
  if (readCurrentText()) handToEngine(true);
  if (send)
    generic_parameter::notifyValueChanged();
  else
    generic_parameter::notifyRefreshed();
  CUG::notify(kNotifyProgramChanged, 0);  // repaint the drawn envelope
}

void Ctl_Env_Edit::afterLoad() {
  CControl::afterLoad();
  // The loaded text of the current program becomes the list; an empty one stands for the
  // default envelope and stays empty in the record.
  readCurrentText();
}

// ---- the engine ----

ug_base* Ctl_Env_Edit::createRuntime() {
  ug_base* ug = CControl::createRuntime();
  if (auto* envelope = dynamic_cast<EnvSegmentPlayer*>(ug)) {
    envelope->SetSegmentStore(store_);
    handToEngine(false);  // the envelope takes the list when it opens
  }
  return ug;
}

void Ctl_Env_Edit::sendValueToEngine() { handToEngine(true); }

void Ctl_Env_Edit::handToEngine(bool tell) {
  // Without an engine nothing is published: the list goes over when the unit generator is
  // made, and the store keeps no arrays that no engine will take.
  ug_base* ug = unitGenerator();
  if (!ug) return;
  std::vector<EnvPoint> points;
  points.reserve(envelope_.segments.size());
  for (const env_seg& s : envelope_.segments) points.push_back({s.end_time, s.level});
  store_->Publish(MakeEnvSegmentRecords(points, envelope_.sustain));
  if (!tell || !ug->master) return;
  // Every voice copy hears it: a suspended voice keeps the message until it plays again.
  // The chain of copies is fixed while the engine exists.
  for (ug_base* u = ug; u; u = u->clone_link) ug->master->PostUiMessage(u, EnvSegmentPlayer::kListChanged, 0);
}

// ---- the selection ----

void Ctl_Env_Edit::notifySelection() {
  for (const char* name : {"Cur Segment", "Segment Rate", "Segment Level"})
    if (generic_parameter* p = findParameter(name)) p->notifyValueChanged();
}

void Ctl_Env_Edit::selectSegment(int index) {
  if (index < 0 || index >= static_cast<int>(envelope_.segments.size()) || index == selected_) return;
  selected_ = index;
  notifySelection();
  CUG::notify(kNotifyProgramChanged, 0);
}

void Ctl_Env_Edit::writeCurrentText() {
  const std::string text = WriteEnvSegmentText(envelope_);
  if (text == GetPatchValueText(-1)) {
    readCurrentText();  // the list as the unchanged text gives it
    return;
  }
  SetPatchValueText(-1, text);
}

void Ctl_Env_Edit::setSelectedDuration(double seconds) {
  if (!std::isfinite(seconds)) return;
  auto& s = envelope_.segments;
  const double previous = selected_ > 0 ? s[selected_ - 1].end_time : 0.0;
  const double next = selected_ + 1 < static_cast<int>(s.size()) ? s[selected_ + 1].end_time : kEnvMaxTime;
  s[selected_].end_time = static_cast<float>(std::clamp(previous + seconds, previous, next));
  writeCurrentText();
}

void Ctl_Env_Edit::setSelectedLevel(double volts) {
  if (!std::isfinite(volts)) return;
  envelope_.segments[selected_].level = static_cast<float>(std::clamp(volts * 0.1, -1.0, 1.0));
  writeCurrentText();
}

}  // namespace kv
