#include "document/model/choice_list.h"

#include <algorithm>
#include <set>

#include "engine/number_text.h"

namespace kv {

namespace {
std::string_view trim(std::string_view s) {
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return s;
}

bool startsWithRange(std::string_view text, bool caseInsensitive) {
  if (text.size() < 5) return false;
  static const char kWord[] = "range";
  for (int i = 0; i < 5; ++i) {
    char c = text[i];
    if (caseInsensitive && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kWord[i]) return false;
  }
  return true;
}
}  // namespace

ChoiceList::ChoiceList(std::string_view text, bool caseInsensitiveRange) {
  if (startsWithRange(text, caseInsensitiveRange)) {
    is_range_ = true;
    std::string_view rest = text.substr(5);
    std::size_t comma = rest.find(',');
    min_ = parseInt(rest.substr(0, comma));
    max_ = comma == std::string_view::npos ? 0 : parseInt(rest.substr(comma + 1));
    if (max_ < min_) {  // an empty range: no entries, smallest and largest 0
      empty_range_ = true;
      min_ = max_ = 0;
    }
    return;
  }
  if (text.empty()) return;
  int value = -1;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t comma = text.find(',', start);
    std::string_view piece = text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    // A trailing comma does not make an empty last entry.
    if (comma == std::string_view::npos && piece.empty() && start > 0) break;
    std::size_t eq = piece.find('=', 1);
    if (eq != std::string_view::npos && !piece.empty()) {
      value = parseInt(piece.substr(eq + 1));
      piece = piece.substr(0, eq);
    } else {
      // The next value counts up from the previous one; past the largest integer it wraps
      // as 32-bit arithmetic does, without undefined behaviour.
      value = static_cast<int>(static_cast<uint32_t>(value) + 1u);
    }
    entries_.push_back(enum_entry{value, std::string(trim(piece))});
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (!entries_.empty()) {
    auto [lo, hi] = std::minmax_element(entries_.begin(), entries_.end(),
                                        [](const enum_entry& a, const enum_entry& b) { return a.value < b.value; });
    min_ = lo->value;
    max_ = hi->value;
  }
}

int64_t ChoiceList::size() const {
  if (is_range_) return empty_range_ ? 0 : int64_t(max_) - min_ + 1;
  return static_cast<int64_t>(entries_.size());
}

enum_entry ChoiceList::entry(int64_t index) const {
  if (index < 0 || index >= size()) return enum_entry{};
  if (is_range_) {
    int v = static_cast<int>(min_ + index);
    return enum_entry{v, formatInt(v)};
  }
  return entries_[static_cast<std::size_t>(index)];
}

bool ChoiceList::hasValue(int value) const {
  if (is_range_) return size() > 0 && value >= min_ && value <= max_;
  for (const enum_entry& e : entries_)
    if (e.value == value) return true;
  return false;
}

std::string ChoiceList::labelFor(int value) const {
  if (is_range_) return hasValue(value) ? formatInt(value) : std::string();
  for (const enum_entry& e : entries_)
    if (e.value == value) return e.text;
  return std::string();
}

bool choiceListsCompatible(const ChoiceList& a, const ChoiceList& b) {
  if (a.minValue() != b.minValue() || a.maxValue() != b.maxValue()) return false;
  const int lo = a.minValue();
  const int hi = a.maxValue();
  if (a.isRange() && b.isRange()) return true;  // identical decimal labels throughout
  // Only values that some list holds can have a non-empty label; every other value has the
  // empty label in both lists.
  std::set<int> values;
  auto collect = [&](const ChoiceList& l) {
    for (int64_t i = 0; i < l.size(); ++i) values.insert(l.entry(i).value);
  };
  const ChoiceList* range = a.isRange() ? &a : (b.isRange() ? &b : nullptr);
  if (range) {
    const ChoiceList& list = range == &a ? b : a;
    // The range labels every value in [lo, hi); the list must hold all of them.
    if (int64_t(hi) - lo > list.size()) return false;
    for (int v = lo; v < hi; ++v)
      if (a.labelFor(v) != b.labelFor(v)) return false;
    return true;
  }
  collect(a);
  collect(b);
  for (int v : values) {
    if (v < lo || v >= hi) continue;
    if (a.labelFor(v) != b.labelFor(v)) return false;
  }
  return true;
}

bool choiceListsCompatible(std::string_view a, std::string_view b) {
  return choiceListsCompatible(ChoiceList(a), ChoiceList(b));
}

std::string choiceLabel(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    if (c == '=') continue;
    out.push_back(c == ',' ? ';' : c);
  }
  return out;
}

}  // namespace kv
