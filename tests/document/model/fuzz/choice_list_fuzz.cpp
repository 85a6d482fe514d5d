// Fuzz target: choice-list texts and numbers in texts (both come from patches and users).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "document/model/choice_list.h"
#include "engine/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  const std::size_t split = text.find('\n');
  const std::string first = text.substr(0, split);
  const std::string second = split == std::string::npos ? std::string() : text.substr(split + 1);

  kv::ChoiceList list(first);
  if (list.size() < 0) std::abort();
  // Entries stay inside the list's range, and the first entry of a value is its label.
  const int64_t n = list.size() < 10000 ? list.size() : 10000;
  for (int64_t i = 0; i < n; ++i) {
    kv::enum_entry e = list.entry(i);
    if (e.value < list.minValue() || e.value > list.maxValue()) std::abort();
    if (list.isRange() && list.labelFor(e.value) != kv::formatInt(e.value)) std::abort();
  }
  kv::ChoiceList other(second, true);
  const bool ab = kv::choiceListsCompatible(list, other);
  const bool ba = kv::choiceListsCompatible(other, list);
  if (ab != ba) std::abort();
  if (!kv::choiceListsCompatible(list, list)) std::abort();

  (void)kv::parseInt(first);
  (void)kv::parseDouble(first);
  int strict = 0;
  if (kv::parseIntStrict(first, strict) && strict != kv::parseInt(first)) std::abort();
  const std::string label = kv::choiceLabel(first);
  if (label.find(',') != std::string::npos || label.find('=') != std::string::npos) std::abort();
  return 0;
}
