#pragma once
// Iterators over the children of containers and the parameters of modules.
#include <memory>
#include <vector>

#include "document/model/generic_parameter.h"
#include "document/model/iterators.h"

namespace kv {

class CContainer;
class CDocOb;
class CUG;

// The direct children of one container, in list order (a snapshot taken at first()).
class it_doc_ob : public GenericIterator<CDocOb> {
 public:
  explicit it_doc_ob(CContainer* container) : container_(container) {}
  void first() override;
  void next() override { ++index_; }
  bool isDone() override { return index_ >= items_.size(); }
  CDocOb* current() override { return isDone() ? nullptr : items_[index_]; }

 private:
  CContainer* container_;
  std::vector<CDocOb*> items_;
  std::size_t index_ = 0;
};

// A container's children and, depth first, the children of every child container that
// shows its controls; a container is visited before its children.
class it_imbedded_doc_ob_recursive : public GenericIterator<CDocOb> {
 public:
  explicit it_imbedded_doc_ob_recursive(CContainer* container) : root_(container) {}
  void first() override;
  void next() override;
  bool isDone() override { return stack_.empty(); }
  CDocOb* current() override { return isDone() ? nullptr : stack_.back()->current(); }

 private:
  void popExhausted();
  CContainer* root_;
  std::vector<std::unique_ptr<it_doc_ob>> stack_;
};

// The children of a container (and of sub-containers that show their controls) that are
// parameters (panel controls).
class it_parameter_container : public GenericIterator<generic_parameter> {
 public:
  explicit it_parameter_container(CContainer* container) : walk_(container) {}
  void first() override;
  void next() override;
  bool isDone() override { return walk_.isDone(); }
  generic_parameter* current() override;

 private:
  void skipNonParameters();
  it_imbedded_doc_ob_recursive walk_;
};

// The plugs of a module that count as parameters: inputs, setting plugs and outputs that take
// their name from a partner.
class it_parameter_cug_plugs : public ListIterator<generic_parameter> {
 public:
  explicit it_parameter_cug_plugs(CUG* module);
};

using it_parameter_list = ListIterator<generic_parameter>;

}  // namespace kv
