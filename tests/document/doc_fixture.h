#pragma once
// A small document built through the registry, with a message service that keeps the texts.
#include <memory>
#include <string>
#include <vector>

#include "document/model/container.h"
#include "document/model/document.h"
#include "document/model/line.h"
#include "document/model/plug.h"
#include "modules/registry/module_info.h"
#include "modules/registry/module_registry.h"
#include "platform/message_service.h"
#include "document/model/module_factory.h"

namespace kv::test {

// Registers test module types once: plain modules with the declarations given.
inline Module_Info* testType(const std::string& id, const std::vector<InterfaceObject>& decls,
                             uint32_t flags = 0x100) {
  ModuleRegistry& r = GetModuleRegistry();
  if (Module_Info* existing = r.FindModuleInfo(id)) return existing;
  auto* info = new Module_Info(id, nullptr, nullptr, flags, -1);
  info->declarations = decls;
  r.RegisterModule(info);
  return r.FindModuleInfo(id);
}

inline InterfaceObject decl(const char* name, int dir, int dt, const char* def = "0",
                            const char* choices = "", uint32_t flags = 0) {
  return InterfaceObject(nullptr, dt, nullptr, dir, "", name, def, choices, flags);
}

// "T Osc": Pitch in, Audio Out; "T Mix": duplicating audio inputs, one output;
// "T List": enum output; "T Sel": enum input "Choice" with {AUTO}, duplicating "Spare Input".
inline void registerTestTypes() {
  testType("T Osc", {decl("Pitch", DR_IN, dt_volts, "5"), decl("Audio Out", DR_OUT, dt_volts),
                     decl("Wave", DR_IN, dt_enum, "0", "Sine,Saw,Square"),
                     decl("File", DR_IN, dt_text, "", "wav", 0x010),
                     decl("MIDI In", DR_IN, dt_midi, ""),
                     decl("Gain", DR_PARAMETER, dt_double, "1.5"),
                     decl("Enabled", DR_IN, dt_bool, "1")});
  testType("T Mix", {decl("Input", DR_IN, dt_volts, "0", "", 0x04C), decl("Out", DR_OUT, dt_volts)});
  testType("T List", {decl("Choice", DR_OUT, dt_enum, "0", "Sine,Saw,Square"),
                      decl("Other", DR_OUT, dt_enum, "0", "A,B"),
                      decl("Range", DR_OUT, dt_enum, "0", "range 0,2")});
  testType("T Sel", {decl("Choice", DR_IN, dt_enum, "0", "{AUTO}"),
                     decl("Spare Input", DR_IN, dt_volts, "0", "", 0x24C),
                     decl("Out", DR_OUT, dt_volts),
                     decl("List In", DR_IN, dt_enum, "0", "Sine,Saw,Square")});
}

struct DocFixture {
  MessageService messages;
  MessageServiceScope scope{messages};
  Document doc;
  CContainer* root = nullptr;

  DocFixture() {
    messages.setLogToStderr(false);
    registerTestTypes();
    root = new CContainer(GetModuleRegistry().FindModuleInfo("Container"));
    doc.setRoot(root);
  }

  template <typename T = CUG>
  T* add(CContainer* where, const std::string& id, const std::string& title = "") {
    auto* m = dynamic_cast<T*>(CreateDocumentModule(id));
    if (!m) return nullptr;
    where->adopt(m);
    if (!title.empty()) m->setTitle(title);
    return m;
  }

  std::vector<std::string> texts() const { return messages.shownTexts(); }
};

inline std::vector<std::string> plugNames(CUG* m) {
  std::vector<std::string> out;
  for (CPlug2* p : m->plugs()) out.push_back(p->getName());
  return out;
}

}  // namespace kv::test
