#pragma once
// DocumentModule: what the engine knows of the document module a unit generator was made
// from (ug_base::document_module points back to it). The document implements it; the
// engine and the modules reach the document only through it.
#include <string>
#include <vector>

namespace kv {

class Refreshable {
 public:
  virtual ~Refreshable() = default;
  // Copies a value back from the running engine (panel controls); nothing by default.
  virtual void refresh() {}
};

class DocumentModule : public Refreshable {
 public:
  // Build time: the values of the choice list of the first plug that the module's plug
  // `plug` is connected to, at most `limit` of them. False when that plug has no
  // connection (the values are then left alone).
  virtual bool ConnectedChoiceValues(const std::string& plug, int limit,
                                     std::vector<int>& values) const {
    return false;
  }
};

}  // namespace kv
