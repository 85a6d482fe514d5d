#pragma once
// Choice lists: the text form of the values a dt_enum parameter may take.
//
// "a,b=5,c" is a list of entries; a bare label takes the previous value + 1 (the first bare
// label is 0), "label=value" sets the value explicitly and the count goes on from it. Labels
// are trimmed of white space; an '=' counts only after the label's first character.
// A text whose first five characters are "range" stands for every integer from the minimum to
// the maximum that follow ("range 1,200"), each labelled with its decimal form. Ranges are
// handled arithmetically, never materialised, so "range 0,2000000000" costs nothing;
// "range 5,1" is empty.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

struct enum_entry {
  int value = -999999;
  std::string text = "DONE";
};

class ChoiceList {
 public:
  ChoiceList() = default;
  // caseInsensitiveRange: the widget builder recognises "Range"/"RANGE" too; the list walker
  // (the default) compares the prefix case-sensitively.
  explicit ChoiceList(std::string_view text, bool caseInsensitiveRange = false);

  bool isRange() const { return is_range_; }
  int64_t size() const;                 // number of entries
  enum_entry entry(int64_t index) const;
  bool empty() const { return size() == 0; }

  // Smallest and largest value; 0 for an empty list.
  int minValue() const { return min_; }
  int maxValue() const { return max_; }

  // The label of the first entry holding the value; empty when no entry holds it.
  std::string labelFor(int value) const;
  bool hasValue(int value) const;

 private:
  bool is_range_ = false;
  bool empty_range_ = false;
  int min_ = 0;
  int max_ = 0;
  std::vector<enum_entry> entries_;
};

// Both lists have the same smallest and largest value, and for every value from the smallest
// up to, not including, the largest, their labels are equal (case-sensitive; a value that a
// list lacks has the empty label).
bool choiceListsCompatible(const ChoiceList& a, const ChoiceList& b);
bool choiceListsCompatible(std::string_view a, std::string_view b);

// Makes a user text (a program, skin or module name) safe as a label of a generated list:
// ',' becomes ';' and '=' is dropped, so the name cannot shift the values of later entries.
std::string choiceLabel(std::string_view name);

// Walks the entries of a choice list; when done, current() is {-999999, "DONE"}.
class it_enum_list {
 public:
  explicit it_enum_list(std::string_view text) : list_(text) {}
  void first() { index_ = 0; }
  void next() { ++index_; }
  bool isDone() const { return index_ >= list_.size(); }
  enum_entry current() const { return isDone() ? enum_entry{} : list_.entry(index_); }

 private:
  ChoiceList list_;
  int64_t index_ = 0;
};

}  // namespace kv
