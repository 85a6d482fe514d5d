#pragma once
// Building patch documents in tests: a document whose root holds the patch container (as a
// loaded plug-in patch does), modules added through the registry, and connections made
// with the document's own rules (across container boundaries through the IO module).
#include <memory>
#include <string>

#include "document/model/container.h"
#include "document/model/document.h"
#include "document/model/line.h"
#include "document/model/plug.h"

namespace kv::test {

class PatchBuilder {
 public:
  PatchBuilder();
  std::unique_ptr<Document> Take() { return std::move(doc_); }
  Document* document() const { return doc_.get(); }
  CContainer* root() const { return root_; }
  CContainer* patch() const { return patch_; }

  // A module of the registry type `id` in `where` (the patch container when null).
  CUG* Add(const std::string& id, const std::string& title = "", CContainer* where = nullptr);
  CContainer* AddContainer(const std::string& title, CContainer* where = nullptr);
  // Connects two plugs of modules in one container; false when refused.
  static bool Connect(CUG* from, const std::string& out, CUG* to, const std::string& in);
  // Connects a module's output inside `box` to the outside through a new boundary pair and
  // answers the container's outer plug.
  static CPlug2* ExportOutput(CContainer* box, CUG* from, const std::string& out);
  // An input of a module inside `box` fed from outside; answers the outer plug.
  static CPlug2* ExportInput(CContainer* box, CUG* to, const std::string& in);
  static void SetValue(CUG* m, const std::string& plug, const std::string& value);

 private:
  std::unique_ptr<Document> doc_;
  CContainer* root_ = nullptr;
  CContainer* patch_ = nullptr;
};

}  // namespace kv::test
