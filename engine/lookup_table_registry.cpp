#include "engine/lookup_table_registry.h"

#include <algorithm>

namespace kv {

int32_t LookupTableRegistry::RateKey(float sample_rate) {
  if (!(sample_rate >= 0.0f)) return 0;
  if (sample_rate > 2147483647.0f) return 2147483647;
  return static_cast<int32_t>(sample_rate);
}

LookupTableRegistry::LookupTableRegistry() = default;
LookupTableRegistry::~LookupTableRegistry() = default;

LookupTable* LookupTableRegistry::FindSharedLookup(std::string_view name, int32_t key,
                                                   bool integer) {
  std::lock_guard lock(mutex_);
  for (Entry& e : entries_) {
    if (e.name != name) continue;
    if (e.key != key) {
      e.table->initialised = false;
      e.key = key;
    }
    return e.table.get();
  }
  std::unique_ptr<LookupTable> t;
  if (integer)
    t = std::make_unique<ULookup_Integer>();
  else
    t = std::make_unique<ULookup>();
  entries_.push_back({std::move(t), key, std::string(name)});
  return entries_.back().table.get();
}

ULookup* LookupTableRegistry::CreateSharedLookup(std::string_view name, int32_t key) {
  return dynamic_cast<ULookup*>(FindSharedLookup(name, key, false));
}

ULookup_Integer* LookupTableRegistry::CreateSharedLookupInteger(std::string_view name,
                                                                int32_t key) {
  return dynamic_cast<ULookup_Integer*>(FindSharedLookup(name, key, true));
}

int32_t LookupTableRegistry::KeyOf(std::string_view name) const {
  std::lock_guard lock(mutex_);
  for (const Entry& e : entries_)
    if (e.name == name) return e.key;
  return -2;
}

void LookupTableRegistry::Remove(std::string_view name) {
  std::lock_guard lock(mutex_);
  std::erase_if(entries_, [&](const Entry& e) { return e.name == name; });
}

std::size_t LookupTableRegistry::size() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

}  // namespace kv
