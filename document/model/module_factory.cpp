#include "document/model/module_factory.h"

#include <string_view>

#include "document/model/container.h"
#include "document/model/control.h"
#include "document/model/env_edit_control.h"
#include "document/model/panel_controls.h"
#include "document/model/small_modules.h"
#include "modules/registry/module_registry.h"

namespace kv {

namespace {
CDocOb* makeContainer(Module_Info* info) {
  auto* c = new CContainer(info);
  c->findIOModule();  // a container made from its type always has its IO module
  return c;
}
template <typename T>
CDocOb* make(Module_Info* info) {
  return new T(info);
}

struct DocumentClass {
  std::string_view name;
  CDocOb* (*make)(Module_Info*);
};
const DocumentClass kDocumentClasses[] = {
    {"CUG", &make<CUG>},
    {"CSwitch", &make<CSwitch>},
    {"CContainer", &makeContainer},
    {"CControlPlugs", &make<CControlPlugs>},
    {"CFeedbackDelay", &make<CFeedbackDelay>},
    {"CLED", &make<CLED>},
    {"CPortal", &make<CPortal>},
    {"Ctl_Slider", &make<Ctl_Slider>},
    {"Ctl_PushButton", &make<Ctl_PushButton>},
    {"Ctl_LED", &make<Ctl_LED>},
    {"Ctl_Combo", &make<Ctl_Combo>},
    {"Ctl_Text", &make<Ctl_Text>},
    {"Ctl_Env_Edit", &make<Ctl_Env_Edit>},
    {"Ctl_PatchSel", &make<Ctl_PatchSel>},
    {"ui_param_float_in", &make<ui_param_float_in>},
    {"ui_param_float_out", &make<ui_param_float_out>},
    {"ui_scaler", &make<ui_scaler>},
    {"ui_spring", &make<ui_spring>},
    {"control_group_ob", &make<control_group_ob>},
};
}  // namespace

CDocOb* CreateDocumentObject(Module_Info& type) {
  for (const DocumentClass& c : kDocumentClasses)
    if (c.name == type.doc_class) return c.make(&type);
  return new CUG(&type);
}

CDocOb* CreateDocumentModule(const std::string& id) {
  Module_Info* info = GetModuleRegistry().FindModuleInfo(id);
  return info ? CreateDocumentObject(*info) : nullptr;
}

}  // namespace kv
