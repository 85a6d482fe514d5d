#include "document/model/control.h"

#include <algorithm>

#include "document/model/container.h"
#include "engine/control_link.h"
#include "document/model/extra_parameter.h"
#include "engine/number_text.h"
#include "document/model/plug.h"
#include "engine/audio_master.h"
#include "engine/ug_base.h"

namespace kv {

const ArchiveClass CControl::kArchiveClass{
    "CControl", 1, &CUG::kArchiveClass, &createArchivable<CControl>};

CControl::CControl() : CControl(nullptr, kFloat, 128) {}

CControl::CControl(Module_Info* type, int32_t valueType, int32_t patchCount)
    : CUG(type), patch_count_(std::max(1, patchCount)), value_type_(valueType) {
  floats_.assign(patch_count_, 0.0);
  ints_.assign(patch_count_, 0);
  texts_.assign(patch_count_, std::string());
  makeMirror();
  addExtraParameter(new parameter_cug_xtra(
      "Hint", dt_text, [this] { return hint_; }, [this](const std::string& t) { setHint(t); }));
}

CControl::~CControl() {
  generic_parameter::notifyDestroyed();
  announceDestruction();
}

bool CControl::usesPerPatchValues() {
  if (patch_count_ <= 1) return false;
  CPlug2* ignore = findPlug("Ignore Program Change");
  return ignore && ignore->getValueText() != "1";
}

int CControl::currentPatch() {
  if (!usesPerPatchValues()) return 0;
  CContainer* c = getParent();
  const int p = c ? c->currentProgram() : 0;
  return (p >= 0 && p < patch_count_) ? p : 0;
}

int CControl::patchIndex(int patch) {
  if (patch == -1) return currentPatch();
  return (patch >= 0 && patch < patch_count_) ? patch : -2;
}

int CControl::getDatatype() {
  switch (value_type_) {
    case kInteger: return dt_enum;
    case kText: return dt_text;
    default: return dt_double;
  }
}

std::string CControl::floatText(double value) {
  const float v = static_cast<float>(value);
  // The band is chosen by the value as printed: 0.9996 prints "1.00", not "1.000", so that
  // the text read back gives the same text again (a saved value never changes on reload).
  std::string text = formatFixed(v, 3);
  if (v < 1.0f && parseDouble(text) < 1.0) return text;
  text = formatFixed(v, 2);
  if (v < 100.0f && parseDouble(text) < 100.0) return text;
  return formatFixed(v, 1);
}

double CControl::GetValue(int patch) {
  const int i = patchIndex(patch);
  if (i < 0) return 0.0;
  return value_type_ == kInteger ? ints_[i] : floats_[i];
}

int CControl::GetIntValue(int patch) {
  const int i = patchIndex(patch);
  if (i < 0) return 0;
  return value_type_ == kInteger ? ints_[i] : static_cast<int>(floats_[i]);
}

std::string CControl::GetPatchValueText(int patch) {
  const int i = patchIndex(patch);
  if (i < 0) return std::string();
  switch (value_type_) {
    case kFloat:
    case kFloatAlt: return floatText(floats_[i]);
    case kInteger: return formatInt(ints_[i]);
    case kText: return texts_[i];
    default: return "UnSupported Datatype";
  }
}

void CControl::afterChange(int patch) {
  markModified();
  if (patch == currentPatch()) ValueChanged(true);
}

void CControl::SetValue(int patch, double value) {
  const int i = patchIndex(patch);
  if (i < 0) return;
  if (value_type_ == kInteger) {
    SetIntValue(i, static_cast<int>(value));
    return;
  }
  if (floats_[i] == value) return;
  floats_[i] = value;
  mirrorPatch(i);
  afterChange(i);
}

void CControl::SetIntValue(int patch, int value) {
  const int i = patchIndex(patch);
  if (i < 0) return;
  if (value_type_ != kInteger) {
    SetValue(i, value);
    return;
  }
  if (ints_[i] == value) return;
  ints_[i] = value;
  mirrorPatch(i);
  afterChange(i);
}

void CControl::SetPatchValueText(int patch, const std::string& text) {
  const int i = patchIndex(patch);
  if (i < 0) return;
  switch (value_type_) {
    case kInteger: SetIntValue(i, parseInt(text)); break;
    case kText:
      if (texts_[i] == text) return;
      texts_[i] = text;
      mirrorPatch(i);
      afterChange(i);
      break;
    default: SetValue(i, parseDouble(text)); break;
  }
}

void CControl::ValueChanged(bool send) {
  if (send) {
    generic_parameter::notifyValueChanged();
    sendValueToEngine();
  } else {
    generic_parameter::notifyRefreshed();
  }
}

void CControl::CopyValue(int fromPatch, int first, int last) {
  const int from = patchIndex(fromPatch);
  if (from < 0) return;
  first = std::max(first, 0);
  last = std::min(last, patch_count_ - 1);
  if (first > last) return;
  for (int p = first; p <= last; ++p) {
    floats_[p] = floats_[from];
    ints_[p] = ints_[from];
    texts_[p] = texts_[from];
    mirrorPatch(p);
  }
  markModified();
  const int current = currentPatch();
  if (current >= first && current <= last) ValueChanged(true);
}

void CControl::refreshFrom(const std::string& valueText, int patch) {
  // The engine may still hold the program the container just left (or already the one it
  // is about to switch to): the value goes to the slot of the patch it was recalled for.
  const int current = currentPatch();
  const int i = patch < 0 || !usesPerPatchValues() ? current : patch;
  if (i < 0 || i >= patch_count_) return;
  switch (value_type_) {
    case kInteger: ints_[i] = parseInt(valueText); break;
    case kText: texts_[i] = valueText; break;
    default: floats_[i] = parseDouble(valueText); break;
  }
  mirrorPatch(i);
  markModified();
  if (i == current) generic_parameter::notifyRefreshed();
}

void CControl::setHint(const std::string& hint) {
  if (hint_ == hint) return;
  hint_ = hint;
  markModified();
  if (generic_parameter* p = findParameter("Hint")) p->notifyValueChanged();
}

namespace {
template <typename T>
std::vector<T> fitValues(const std::vector<T>& values, int count, bool& single) {
  single = values.size() == 1 && count > 1;
  std::vector<T> out(count, values.empty() ? T{} : values.front());
  if (!single)
    for (int i = 0; i < count && i < static_cast<int>(values.size()); ++i) out[i] = values[i];
  return out;
}
}  // namespace

void CControl::setStoredFloats(const std::vector<double>& v) {
  floats_ = fitValues(v, patch_count_, single_value_);
  mirrorAll();
}
void CControl::setStoredInts(const std::vector<int32_t>& v) {
  ints_ = fitValues(v, patch_count_, single_value_);
  mirrorAll();
}
void CControl::setStoredTexts(const std::vector<std::string>& v) {
  texts_ = fitValues(v, patch_count_, single_value_);
  mirrorAll();
}

void CControl::makeMirror() {
  mirror_ = std::make_unique<StoredValueMirror>(patch_count_, value_type_ == kText);
  mirrorAll();
}

void CControl::mirrorPatch(int p) {
  if (!mirror_ || p < 0 || p >= patch_count_) return;
  switch (value_type_) {
    case kInteger: mirror_->setNumber(p, ints_[p]); break;
    case kText: mirror_->setText(p, texts_[p]); break;
    default: mirror_->setNumber(p, valueForEngine(floats_[p])); break;
  }
}

int CControl::getControllerId() {
  CPlug2* p = findPlug("MIDI Controller ID");
  return p ? parseInt(p->getValueText()) : -1;
}

int CControl::getNrpn() {
  CPlug2* p = findPlug("MIDI NRPN");
  return p ? parseInt(p->getValueText()) : -1;
}

void CControl::setControllerId(int n) {
  if (CPlug2* p = findPlug("MIDI Controller ID")) p->setValueText(formatInt(n));
}

void CControl::setNrpn(int n) {
  if (CPlug2* p = findPlug("MIDI NRPN")) p->setValueText(formatInt(n));
}

void CControl::mirrorAll() {
  for (int p = 0; p < patch_count_; ++p) mirrorPatch(p);
}

ug_base* CControl::createRuntime() {
  link_ = nullptr;
  ug_base* ug = CUG::createRuntime();
  if ((link_ = dynamic_cast<ControlValueLink*>(ug))) link_->AttachValues(mirror_.get(), currentPatch());
  return ug;
}

void CControl::clearRuntime() {
  link_ = nullptr;
  CUG::clearRuntime();
}

void CControl::sendValueToEngine() {
  ug_base* ug = unitGenerator();
  if (!ug || !link_ || !ug->master) return;
  ug->master->PostUiMessage(ug, kControlValueChanged, currentPatch());
}

bool CControl::applyHostValue(float normalised) {
  return link_ ? link_->OnControllerValue(normalised) : false;
}

void CControl::refresh() {
  if (!link_) return;
  int patch = -1;
  const std::string text = link_->ValueTextForDocument(patch);
  refreshFrom(text, patch);
}

void CControl::onProgramCommand(int) {
  if (usesPerPatchValues()) ValueChanged(false);
}

Rect CControl::getRect(int32_t kind) { return kind == kViewPanel ? panel_rect_ : CUG::getRect(kind); }

void CControl::setRect(int32_t kind, const Rect& rect) {
  if (kind != kViewPanel) {
    CUG::setRect(kind, rect);
    return;
  }
  if (rect == panel_rect_) return;
  panel_rect_ = rect;
  CUG::notify(kNotifyRectChanged, kViewPanel);
}

void CControl::pushPlugValue(CPlug2* plug) {
  CUG::pushPlugValue(plug);
  const std::string name = plug->getName();
  if (name == "Appearance" || name == "Show Readout" || name == "Show Title On Panel") {
    tellParentContentChanged();
  } else if (name == "MIDI Controller ID") {
    generic_parameter::notify(kNotifyControllerChanged, 0);
  } else if (name == "MIDI NRPN") {
    generic_parameter::notify(kNotifyNrpnChanged, 0);
  }
}

}  // namespace kv
