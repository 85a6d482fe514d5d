#include "document/model/panel_controls.h"

#include <algorithm>
#include <cmath>

#include "document/archive/archive.h"
#include "document/model/container.h"
#include "engine/control_link.h"
#include "document/model/doc_iterators.h"
#include "document/model/line.h"
#include "engine/number_text.h"
#include "document/model/plug.h"
#include "engine/audio_master.h"
#include "engine/ug_base.h"
#include "modules/registry/module_registry.h"

namespace kv {

const ArchiveClass Ctl_Slider::kArchiveClass{"Ctl_Slider", 1, &CControl::kArchiveClass,
                                             &createArchivable<Ctl_Slider>};
const ArchiveClass Ctl_PushButton::kArchiveClass{"Ctl_PushButton", 1, &CControl::kArchiveClass,
                                                 &createArchivable<Ctl_PushButton>};
const ArchiveClass Ctl_LED::kArchiveClass{"Ctl_LED", 1, &CControl::kArchiveClass,
                                          &createArchivable<Ctl_LED>};
const ArchiveClass Ctl_Combo::kArchiveClass{"Ctl_Combo", 1, &CControl::kArchiveClass,
                                            &createArchivable<Ctl_Combo>};
const ArchiveClass Ctl_Text::kArchiveClass{"Ctl_Text", 1, &CControl::kArchiveClass,
                                           &createArchivable<Ctl_Text>};
const ArchiveClass ui_control2::kArchiveClass{"ui_control2", 1, &CControl::kArchiveClass,
                                              &createArchivable<ui_control2>};
const ArchiveClass ui_param_float_in::kArchiveClass{
    "ui_param_float_in", 1, &ui_control2::kArchiveClass, &createArchivable<ui_param_float_in>};
const ArchiveClass ui_param_float_out::kArchiveClass{
    "ui_param_float_out", 1, &ui_control2::kArchiveClass, &createArchivable<ui_param_float_out>};
const ArchiveClass Ctl_PatchSel::kArchiveClass{"Ctl_PatchSel", 1, &CUG::kArchiveClass,
                                               &createArchivable<Ctl_PatchSel>};
const ArchiveClass ui_scaler::kArchiveClass{"ui_scaler", 1, &CUG::kArchiveClass,
                                            &createArchivable<ui_scaler>};
const ArchiveClass ui_spring::kArchiveClass{"ui_spring", 1, &CUG::kArchiveClass,
                                            &createArchivable<ui_spring>};
const ArchiveClass control_ob_base::kArchiveClass{
    "control_ob_base", 1, &CUG::kArchiveClass, &createArchivable<control_ob_base>};
const ArchiveClass control_group_ob::kArchiveClass{
    "control_group_ob", 1, &control_ob_base::kArchiveClass, &createArchivable<control_group_ob>};

namespace {
double plugNumber(CUG* m, const char* name, double fallback) {
  CPlug2* p = m->findPlug(name);
  return p ? parseDouble(p->getValueText()) : fallback;
}
}  // namespace

// ---- Ctl_Slider ----

Ctl_Slider::~Ctl_Slider() = default;

double Ctl_Slider::lo() { return plugNumber(this, "Lo Value", 0.0); }
double Ctl_Slider::hi() { return plugNumber(this, "Hi Value", 10.0); }

void Ctl_Slider::setLimits(double lo, double hi) {
  if (CPlug2* p = findPlug("Lo Value")) p->setValueText(formatFixed(lo, 3));
  if (CPlug2* p = findPlug("Hi Value")) p->setValueText(formatFixed(hi, 3));
}

int Ctl_Slider::appearance() {
  CPlug2* p = findPlug("Appearance");
  return p ? parseInt(p->getValueText()) : 0;
}

bool Ctl_Slider::buttonAppearance() {
  switch (appearance()) {
    case 4: case 5: case 6: case 8: case 9: return true;
    default: return false;
  }
}

double Ctl_Slider::getNormalised() {
  const double l = lo(), h = hi();
  if (h == l) return 0.0;
  const double n = (GetValue(-1) - l) / (h - l);
  if (!(n > 0.0)) return 0.0;  // NaN too
  return n > 1.0 ? 1.0 : n;
}

void Ctl_Slider::setNormalised(double x) {
  const double l = lo(), h = hi();
  SetValue(-1, l + x * (h - l));
}

std::string Ctl_Slider::textForNormalised(double x) {
  const double l = lo(), h = hi();
  return floatText(l + x * (h - l));
}

double Ctl_Slider::valueForEngine(double value) {
  if (!buttonAppearance()) return value;
  const double l = lo(), h = hi();
  return std::fabs(h - value) <= std::fabs(value - l) ? h : l;
}

void Ctl_Slider::pushPlugValue(CPlug2* plug) {
  CControl::pushPlugValue(plug);
  const std::string name = plug->getName();
  if (name == "Lo Value" || name == "Hi Value" || name == "Appearance") {
    remirror();
    notifyRefreshed();
  }
}

Ctl_PushButton::~Ctl_PushButton() = default;

// ---- Ctl_LED ----

Ctl_LED::~Ctl_LED() = default;

double Ctl_LED::getNormalised() {
  const double n = GetValue(-1) * 0.01;
  if (!(n > 0.0)) return 0.0;
  return n > 1.0 ? 1.0 : n;
}

// ---- Ctl_Combo ----

Ctl_Combo::~Ctl_Combo() = default;

std::string Ctl_Combo::getChoiceList() {
  CPlug2* choice = findPlug("Choice");
  if (!choice) return std::string();
  for (CLine2* l : choice->lines())
    if (CPlug2* other = l->otherEnd(choice)) return other->getChoiceList();
  return std::string();
}

ug_base* Ctl_Combo::createRuntime() {
  ug_base* ug = CControl::createRuntime();
  if (ControlValueLink* link = valueLink()) link->SetListRange(getChoiceMin(), getChoiceMax());
  return ug;
}

// ---- Ctl_Text ----

Ctl_Text::Ctl_Text(Module_Info* type) : CControl(type, kText) {
  setStoredTexts({"xxx"});
}

Ctl_Text::~Ctl_Text() = default;

// ---- patch parameters ----

ui_control2::~ui_control2() = default;
ui_param_float_in::~ui_param_float_in() = default;

void ui_param_float_in::serialize(Archive& ar) {
  CControl::serialize(ar);
  if (ar.fileVersion() > 95071) {
    ar.i32(controller_);
    ar.i32(nrpn_);
  }
}

ug_base* ui_param_float_in::createRuntime() {
  ug_base* ug = CControl::createRuntime();
  if (ControlValueLink* link = valueLink())
    link->SetMidiSettings(static_cast<int16_t>(controller_), static_cast<int16_t>(nrpn_));
  return ug;
}

ui_param_float_out::ui_param_float_out() : ui_param_float_out(nullptr) {}

ui_param_float_out::ui_param_float_out(Module_Info* type) : ui_control2(type, 1) {
  hi_.setQuiet(10.0f);
}

ui_param_float_out::~ui_param_float_out() = default;

bool ui_param_float_out::getFeature(int32_t index, feature_info& out) {
  switch (index) {
    case 0: out = {"Unscaled Value", dt_float, "", &unscaled_}; return true;
    case 1: out = {"Scaled Value", dt_float, "", &scaled_}; return true;
    case 2: out = {"Hi Value", dt_float, "", &hi_}; return true;
    case 3: out = {"Lo Value", dt_float, "", &lo_}; return true;
    case 4: out = {"Scale", dt_enum, "Volts,dB,VU Stretch (-20 to +3)", &scale_}; return true;
    default: return false;
  }
}

void ui_param_float_out::setLimits(float lo, float hi) {
  lo_.set(lo);
  hi_.set(hi);
}

void ui_param_float_out::onUnscaled() {
  if (updating_) return;
  updating_ = true;
  const float lo = lo_.get(), hi = hi_.get();
  scaled_.set(lo + unscaled_.get() * (hi - lo));
  updating_ = false;
}

void ui_param_float_out::onScaled() {
  if (updating_) return;
  updating_ = true;
  const float s = scaled_.get();
  float u;
  if (scale_.get() == 2) {  // VU stretch: decibels onto a meter that widens near 0 dB
    if (s >= -3.0f) u = (s + 3.0f) * 0.1f + 0.4f;
    else if (s >= -8.75f) u = (s + 7.0f) * 0.05f + 0.2f;
    else u = std::max(0.0f, (s + 20.0f) * 0.01f);
  } else {
    const float lo = lo_.get(), hi = hi_.get();
    u = hi != lo ? (s - lo) / (hi - lo) : 0.0f;
    if (lo < hi ? !(u > lo) : u < lo) u = lo;
  }
  unscaled_.set(u);
  updating_ = false;
}

void ui_param_float_out::takeLevel(float x) {
  float s;
  if (scale_.get() == 0) s = 10.0f * x;
  else s = x < 1e-8f ? -150.0f : 20.0f * std::log10(x) + 10.0f;
  scaled_.set(s);
  SetPatchValueText(0, floatText(s));
}

void ui_param_float_out::refresh() {
  if (ControlValueLink* link = valueLink()) takeLevel(static_cast<float>(parseDouble(link->ValueTextForDocument())));
}

// ---- Ctl_PatchSel ----

Ctl_PatchSel::~Ctl_PatchSel() = default;

void Ctl_PatchSel::serialize(Archive& ar) {
  const int32_t v = ar.fileVersion();
  if (v >= 50) {
    CUG::serialize(ar);
    return;
  }
  // Older files: a whole control record with one value in place of the module record.
  if (ar.isLoading()) {
    old_control_ = std::make_unique<CControl>(nullptr, CControl::kFloat, 1);
    old_control_->serialize(ar);
    setModuleType(GetModuleRegistry().FindModuleInfo("Patch Select"));
    setTitleQuiet(old_control_->getTitle());
    if (v == 18) old_control_->setStoredFloats({old_control_->GetValue(0) + 1.0});
  } else {
    CUG::serialize(ar);
  }
}

ug_base* Ctl_PatchSel::createRuntime() {
  link_ = nullptr;
  ug_base* ug = CUG::createRuntime();
  CContainer* c = getParent();
  engine_program_ = static_cast<int16_t>(c ? c->currentProgram() : 0);
  if ((link_ = dynamic_cast<ControlValueLink*>(ug))) link_->AttachValues(nullptr, engine_program_);
  return ug;
}

void Ctl_PatchSel::clearRuntime() {
  link_ = nullptr;
  CUG::clearRuntime();
}

void Ctl_PatchSel::onProgramCommand(int program) {
  ug_base* ug = unitGenerator();
  if (!ug || !link_ || !ug->master) return;
  const auto n = static_cast<int16_t>(program);
  if (n == engine_program_) return;
  engine_program_ = n;
  ug->master->PostUiMessage(ug, kPatchSelectProgram, n);
}

void Ctl_PatchSel::refresh() {
  if (!link_) return;
  const int program = parseInt(link_->ValueTextForDocument());
  if (program < 0 || program >= CContainer::kProgramCount) return;
  engine_program_ = static_cast<int16_t>(program);
  if (CContainer* c = getParent()) c->setProgram(program);
}

// ---- ui_scaler, ui_spring ----

ui_scaler::~ui_scaler() = default;

bool ui_scaler::getFeature(int32_t index, feature_info& out) {
  switch (index) {
    case 0: out = {"Unscaled Value", dt_float, "", &unscaled_}; return true;
    case 1: out = {"Scaled Value", dt_float, "", &scaled_}; return true;
    case 2: out = {"Hi Value", dt_float, "", &hi_}; return true;
    case 3: out = {"Lo Value", dt_float, "", &lo_}; return true;
    default: return false;
  }
}

void ui_scaler::setLimits(float lo, float hi) {
  lo_.set(lo);
  hi_.set(hi);
}

void ui_scaler::onUnscaled() {
  if (updating_) return;
  updating_ = true;
  scaled_.set(lo_.get() + unscaled_.get() * (hi_.get() - lo_.get()));
  updating_ = false;
}

void ui_scaler::onScaled() {
  if (updating_) return;
  updating_ = true;
  const float range = hi_.get() - lo_.get();
  unscaled_.set(range != 0.0f ? (scaled_.get() - lo_.get()) / range : 0.0f);
  updating_ = false;
}

ui_spring::~ui_spring() = default;

bool ui_spring::getFeature(int32_t index, feature_info& out) {
  switch (index) {
    case 0: out = {"Reset Value", dt_float, "", &reset_}; return true;
    case 1: out = {"Mouse Down", dt_bool, "", &mouse_down_}; return true;
    case 2: out = {"Normalised Value", dt_float, "", &normalised_}; return true;
    default: return false;
  }
}

void ui_spring::onMouse() {
  if (!mouse_down_.get()) normalised_.set(reset_.get());
}

// ---- control_ob_base, control_group_ob ----

namespace {
// Whether `target` is `scope` or lies inside it (containers' children, groups' members).
bool contains(CDocOb* scope, CDocOb* target) {
  if (!scope) return false;
  if (scope == target) return true;
  if (auto* c = dynamic_cast<CContainer*>(scope)) {
    for (CDocOb* child : c->children())
      if (contains(child, target)) return true;
  } else if (auto* g = dynamic_cast<control_group_ob*>(scope)) {
    for (control_ob_base* m : g->members())
      if (contains(m, target)) return true;
  }
  return false;
}
}  // namespace

CDocOb* control_ob_base::outermost() {
  CDocOb* top = this;
  while (auto* b = dynamic_cast<control_ob_base*>(top)) {
    if (!b->group_) break;
    top = b->group_;
  }
  if (CContainer* c = top->getParent()) {
    while (c->getParent()) c = c->getParent();
    return c;
  }
  return top;
}

control_ob_base::~control_ob_base() = default;

void control_ob_base::serialize(Archive& ar) {
  CUG::serialize(ar);
  if (ar.isStoring()) {
    // The reference is kept only while the object it names is still in the patch.
    CDocOb* ref = reference_ && contains(outermost(), reference_) ? reference_ : nullptr;
    ar.writer().writeObject(ref);
  } else {
    reference_ = ar.reader().readObjectAs<CDocOb>();
  }
  ar.rect(panel_rect_);
}

Rect control_ob_base::getRect(int32_t kind) {
  return kind == kViewPanel ? panel_rect_ : CUG::getRect(kind);
}

void control_ob_base::setRect(int32_t kind, const Rect& rect) {
  if (kind != kViewPanel) {
    CUG::setRect(kind, rect);
    return;
  }
  if (rect == panel_rect_) return;
  panel_rect_ = rect;
  notify(kNotifyRectChanged, kViewPanel);
}

control_group_ob::~control_group_ob() {
  if (CContainer* parent = getParent())
    parent->notify(kNotifyChildGoing, reinterpret_cast<intptr_t>(this));
  announceDestruction();
  std::vector<control_ob_base*> members;
  members.swap(members_);
  for (auto it = members.rbegin(); it != members.rend(); ++it) delete *it;
}

void control_group_ob::serialize(Archive& ar) {
  control_ob_base::serialize(ar);
  if (ar.isStoring()) {
    for (control_ob_base* m : members_) ar.writer().writeObject(m);
    ar.writer().writeObject(nullptr);
    return;
  }
  ArchiveReader& r = ar.reader();
  while (auto* m = r.readObjectAs<control_ob_base>()) {
    r.adopt(this, m);  // refuses a member of two groups and the group itself
    m->group_ = this;
    members_.push_back(m);
  }
}

void control_group_ob::setParent(CContainer* parent) {
  control_ob_base::setParent(parent);
  for (control_ob_base* m : members_) m->setParent(parent);
}

void control_group_ob::afterLoad() {
  control_ob_base::afterLoad();
  for (control_ob_base* m : members_) m->afterLoad();
}

void control_group_ob::addMembers(const std::vector<control_ob_base*>& objects) {
  if (objects.empty()) return;
  Rect u = objects.front()->getRect(kViewPanel);
  for (control_ob_base* m : objects) {
    const Rect r = m->getRect(kViewPanel);
    u.left = std::min(u.left, r.left);
    u.top = std::min(u.top, r.top);
    u.right = std::max(u.right, r.right);
    u.bottom = std::max(u.bottom, r.bottom);
  }
  for (control_ob_base* m : objects) {
    Rect r = m->getRect(kViewPanel);
    r.offset(-u.left, -u.top);
    m->setRect(kViewPanel, r);
    m->setParent(getParent());
    m->group_ = this;
    members_.push_back(m);
  }
  setRect(kViewPanel, u);
}

}  // namespace kv
