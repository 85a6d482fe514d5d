#pragma once
// Iterators over the children of a visual, front to back, with the generic iterator
// interface of the document side plus editing: remove the current child (advancing), find
// a child, add at either end or at the current position, and walk backwards.
//
// The list iterators work on the parent's own list; removing through them detaches the
// child from its parent (and, for a CGroup, drops its cell record).
#include <cstddef>
#include <vector>

#include "document/model/iterators.h"

namespace kv {

class CVisualOb;
class CGroup;

class it_visual_ob : public GenericIterator<CVisualOb> {
 public:
  virtual CVisualOb* removeCurrent() = 0;
  virtual bool find(CVisualOb* child) = 0;
  virtual void addHead(CVisualOb* child) = 0;
  virtual void addTail(CVisualOb* child) = 0;
  virtual void insert(CVisualOb* child) = 0;
  virtual void last() = 0;
  virtual void previous() = 0;
};

class it_visual_ob_list : public it_visual_ob {
 public:
  it_visual_ob_list(CVisualOb* owner, std::vector<CVisualOb*>* list) : owner_(owner), list_(list) {}
  void first() override { pos_ = 0; }
  void next() override {
    if (pos_ < list_->size()) ++pos_;
  }
  bool isDone() override { return pos_ >= list_->size(); }
  CVisualOb* current() override { return isDone() ? nullptr : (*list_)[pos_]; }
  CVisualOb* removeCurrent() override;
  bool find(CVisualOb* child) override;
  void addHead(CVisualOb* child) override;
  void addTail(CVisualOb* child) override;
  void insert(CVisualOb* child) override;
  void last() override { pos_ = list_->empty() ? 0 : list_->size() - 1; }
  void previous() override { pos_ = pos_ == 0 ? list_->size() : pos_ - 1; }

 protected:
  CVisualOb* owner_;
  std::vector<CVisualOb*>* list_;
  size_t pos_ = 0;
};

class it_visual_ob_group : public it_visual_ob_list {
 public:
  it_visual_ob_group(CGroup* group, std::vector<CVisualOb*>* list);
  CVisualOb* removeCurrent() override;

 private:
  CGroup* group_;
};

// A single child slot seen as a list of zero or one.
class it_visual_ob_single : public it_visual_ob {
 public:
  it_visual_ob_single(CVisualOb* owner, CVisualOb** slot) : owner_(owner), slot_(slot) {}
  void first() override { done_ = false; }
  void next() override { done_ = true; }
  bool isDone() override { return done_ || !*slot_; }
  CVisualOb* current() override { return isDone() ? nullptr : *slot_; }
  CVisualOb* removeCurrent() override;
  bool find(CVisualOb* child) override {
    done_ = !(child && child == *slot_);
    return !done_;
  }
  void addHead(CVisualOb* child) override;
  void addTail(CVisualOb* child) override { addHead(child); }
  void insert(CVisualOb* child) override { addHead(child); }
  void last() override { done_ = false; }
  void previous() override { done_ = true; }

 private:
  CVisualOb* owner_;
  CVisualOb** slot_;
  bool done_ = false;
};

class it_visual_ob_list_empty : public it_visual_ob {
 public:
  void first() override {}
  void next() override {}
  bool isDone() override { return true; }
  CVisualOb* current() override { return nullptr; }
  CVisualOb* removeCurrent() override { return nullptr; }
  bool find(CVisualOb*) override { return false; }
  void addHead(CVisualOb*) override {}
  void addTail(CVisualOb*) override {}
  void insert(CVisualOb*) override {}
  void last() override {}
  void previous() override {}
};

}  // namespace kv
