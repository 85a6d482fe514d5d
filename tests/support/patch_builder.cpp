#include "tests/support/patch_builder.h"

#include "modules/registry/module_registry.h"
#include "tests/support/probe_modules.h"
#include "document/model/module_factory.h"

namespace kv::test {

PatchBuilder::PatchBuilder() : doc_(std::make_unique<Document>()) {
  RegisterProbeModules();
  root_ = dynamic_cast<CContainer*>(CreateDocumentModule("Container"));
  doc_->setRoot(root_);
  patch_ = AddContainer("Patch", root_);
}

CUG* PatchBuilder::Add(const std::string& id, const std::string& title, CContainer* where) {
  auto* m = dynamic_cast<CUG*>(CreateDocumentModule(id));
  if (!m) return nullptr;
  (where ? where : patch_)->adoptAtEnd(m);
  if (!title.empty()) m->setTitle(title);
  return m;
}

CContainer* PatchBuilder::AddContainer(const std::string& title, CContainer* where) {
  auto* c = dynamic_cast<CContainer*>(Add("Container", title, where ? where : patch_));
  return c;
}

bool PatchBuilder::Connect(CUG* from, const std::string& out, CUG* to, const std::string& in) {
  CPlug2* a = from->findPlug(out);
  CPlug2* b = to->findPlug(in);
  return a && b && a->connect(b) != nullptr;
}

CPlug2* PatchBuilder::ExportOutput(CContainer* box, CUG* from, const std::string& out) {
  CUG* io = box->findIOModule();
  CPlugIO2* spare = findSparePlug(io);
  if (!spare || !from->findPlug(out)->connect(spare)) return nullptr;
  return spare->partner();
}

CPlug2* PatchBuilder::ExportInput(CContainer* box, CUG* to, const std::string& in) {
  CUG* io = box->findIOModule();
  CPlugIO2* spare = findSparePlug(io);
  if (!spare || !spare->connect(to->findPlug(in))) return nullptr;
  return spare->partner();
}

void PatchBuilder::SetValue(CUG* m, const std::string& plug, const std::string& value) {
  m->findPlug(plug)->setValueText(value);
}

}  // namespace kv::test
