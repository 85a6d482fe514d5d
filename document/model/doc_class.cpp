#include "document/model/doc_class.h"

#include "document/model/container.h"
#include "document/model/control.h"
#include "document/model/env_edit_control.h"
#include "document/model/line.h"
#include "document/model/panel_controls.h"
#include "document/model/plug.h"
#include "document/model/plug_feature.h"
#include "document/model/small_modules.h"

namespace kv {

void addDocumentModelClasses(ClassTable& table) {
  for (const ArchiveClass* c :
       {&CDocOb::kArchiveClass, &CUG::kArchiveClass, &CSwitch::kArchiveClass,
        &CUG_with_patches::kArchiveClass, &CContainer::kArchiveClass, &CLine2::kArchiveClass,
        &CPlug2::kArchiveClass, &CPlugNameable::kArchiveClass, &CPlugIO2::kArchiveClass,
        &CPlugControled::kArchiveClass, &CPlugFeature::kArchiveClass,
        &CPlugFeature2::kArchiveClass, &CPlugFeature3::kArchiveClass, &CControl::kArchiveClass,
        &CControlPlugs::kArchiveClass, &CFeedbackDelay::kArchiveClass, &CLED::kArchiveClass,
        &CPortal::kArchiveClass, &Ctl_Slider::kArchiveClass, &Ctl_PushButton::kArchiveClass,
        &Ctl_LED::kArchiveClass, &Ctl_Combo::kArchiveClass, &Ctl_Text::kArchiveClass,
        &ui_control2::kArchiveClass, &ui_param_float_in::kArchiveClass,
        &ui_param_float_out::kArchiveClass, &Ctl_PatchSel::kArchiveClass,
        &ui_scaler::kArchiveClass, &ui_spring::kArchiveClass, &control_ob_base::kArchiveClass,
        &control_group_ob::kArchiveClass, &Ctl_Env_Edit::kArchiveClass})
    table.add(*c);
}

const ClassTable& documentClasses() {
  static const ClassTable table = [] {
    ClassTable t;
    addDocumentModelClasses(t);
    return t;
  }();
  return table;
}

Archivable* createByClassName(const ClassTable& table, std::string_view name) {
  const ArchiveClass* c = table.find(name);
  return c && c->create ? c->create() : nullptr;
}

}  // namespace kv
