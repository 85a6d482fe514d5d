#include "document/model/small_modules.h"

#include "document/model/choice_list.h"
#include "document/model/container.h"
#include "document/model/extra_parameter.h"
#include "engine/number_text.h"

namespace kv {

const ArchiveClass CControlPlugs::kArchiveClass{
    "CControlPlugs", 1, &CUG::kArchiveClass, &createArchivable<CControlPlugs>};
const ArchiveClass CFeedbackDelay::kArchiveClass{
    "CFeedbackDelay", 1, &CUG::kArchiveClass, &createArchivable<CFeedbackDelay>};
const ArchiveClass CLED::kArchiveClass{"CLED", 1, &CUG::kArchiveClass, &createArchivable<CLED>};
const ArchiveClass CPortal::kArchiveClass{
    "CPortal", 1, &CDocOb::kArchiveClass, &createArchivable<CPortal>};

CPortal::CPortal() { makeParameters(); }
CPortal::CPortal(Module_Info* type) : CDocOb(type) { makeParameters(); }

CPortal::~CPortal() {
  announceDestruction();
  delete sub_panel_;
  delete scroll_bar_param_;
}

std::string CPortal::subPanelChoices() {
  std::string list = "<none>";
  if (CContainer* parent = getParent()) {
    for (CDocOb* sibling : parent->children()) {
      if (dynamic_cast<CContainer*>(sibling) || sibling->moduleTypeId() == "VST Plugin")
        list += "," + choiceLabel(sibling->getTitle());
    }
  }
  return list;
}

void CPortal::changed() {
  notify(kNotifyPortalChanged, 0);
  if (CContainer* parent = getParent())
    parent->notify(kNotifyChildChanged, reinterpret_cast<intptr_t>(this));
}

void CPortal::makeParameters() {
  sub_panel_ = new parameter_cug_xtra(
      "Sub Panel", dt_enum,
      [this] {
        ChoiceList list(subPanelChoices());
        for (int64_t i = 1; i < list.size(); ++i)
          if (list.entry(i).text == choiceLabel(target_)) return formatInt(list.entry(i).value);
        return std::string("0");
      },
      [this](const std::string& text) {
        const std::string label = ChoiceList(subPanelChoices()).labelFor(parseInt(text));
        const std::string target = label == "<none>" ? std::string() : label;
        if (target == target_) return;
        target_ = target;
        changed();
        sub_panel_->notifyValueChanged();
      },
      [this] { return subPanelChoices(); });
  scroll_bar_param_ = new parameter_cug_xtra(
      "Scroll Bars", dt_enum, [this] { return formatInt(scroll_bars_); },
      [this](const std::string& text) {
        const int mode = parseInt(text);
        if (mode < 0 || mode > 2 || mode == scroll_bars_) return;
        scroll_bars_ = mode;
        changed();
        scroll_bar_param_->notifyValueChanged();
      },
      [] { return std::string("Auto,None,Enable"); });
}

GenericIterator<generic_parameter>* CPortal::createParameterIterator() {
  return new ListIterator<generic_parameter>({sub_panel_, scroll_bar_param_});
}

void CPortal::setRect(int32_t kind, const Rect& rect) {
  if (kind != kViewPanel || rect == rect_) return;
  rect_ = rect;
  notify(kNotifyRectChanged, kViewPanel);
}

}  // namespace kv
