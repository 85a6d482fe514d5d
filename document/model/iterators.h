#pragma once
// Iterators over document objects and parameters: first, next, isDone, current.
#include <memory>
#include <vector>

namespace kv {

class Iterator {
 public:
  virtual ~Iterator() = default;
  virtual void first() = 0;
  virtual void next() = 0;
  virtual bool isDone() = 0;
};

template <typename T>
class GenericIterator : public Iterator {
 public:
  virtual T* current() = 0;
};

template <typename T>
class EmptyIterator : public GenericIterator<T> {
 public:
  void first() override {}
  void next() override {}
  bool isDone() override { return true; }
  T* current() override { return nullptr; }
};

template <typename T>
class SingleIterator : public GenericIterator<T> {
 public:
  explicit SingleIterator(T* item) : item_(item) {}
  void first() override { done_ = false; }
  void next() override { done_ = true; }
  bool isDone() override { return done_ || !item_; }
  T* current() override { return isDone() ? nullptr : item_; }

 private:
  T* item_;
  bool done_ = false;
};

// Every item of the first iterator, then every item of the second. Owns both.
template <typename T>
class DualIterator : public GenericIterator<T> {
 public:
  DualIterator(GenericIterator<T>* a, GenericIterator<T>* b) : a_(a), b_(b) {}
  void first() override {
    a_->first();
    on_second_ = a_->isDone();
    if (on_second_) b_->first();
  }
  void next() override {
    if (!on_second_) {
      a_->next();
      if (a_->isDone()) {
        on_second_ = true;
        b_->first();
      }
    } else {
      b_->next();
    }
  }
  bool isDone() override { return on_second_ && b_->isDone(); }
  T* current() override { return on_second_ ? b_->current() : a_->current(); }

 private:
  std::unique_ptr<GenericIterator<T>> a_, b_;
  bool on_second_ = false;
};

// Walks a list of items held elsewhere (it_parameter_list for parameters).
template <typename T>
class ListIterator : public GenericIterator<T> {
 public:
  explicit ListIterator(std::vector<T*> items) : items_(std::move(items)) {}
  void first() override { index_ = 0; }
  void next() override { ++index_; }
  bool isDone() override { return index_ >= items_.size(); }
  T* current() override { return isDone() ? nullptr : items_[index_]; }

 private:
  std::vector<T*> items_;
  std::size_t index_ = 0;
};

// Collects an iterator's items (first to done) into a vector.
template <typename T>
std::vector<T*> collect(GenericIterator<T>& it) {
  std::vector<T*> out;
  for (it.first(); !it.isDone(); it.next()) out.push_back(it.current());
  return out;
}

}  // namespace kv
