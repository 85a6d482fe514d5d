#pragma once
// LookupTableRegistry: the named lookup tables of one plug-in instance.
//
// The application object owns one registry; every module of its engine, in every voice,
// finds a table by its name (compared exactly, byte by byte) together with a key: the
// integer part of the sample rate the contents were made for, or -1 for contents that do
// not depend on the rate. The first request for a name creates an empty table of the
// requested kind; a later request with another key hands out the same object with its
// `initialised` flag cleared and the entry re-keyed, so the requesting module refills it
// and every module already holding it sees the new contents. Entries live as long as the
// registry, except those a module names for itself and removes when it goes away.
//
// Requests come while modules open (engine build, serialised by the engine lock); the
// registry also takes its own lock so that a request from any build thread is safe. The
// audio thread only reads table contents.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/lookup_table.h"

namespace kv {

class LookupTableRegistry {
 public:
  // The key of tables that do not depend on the sample rate.
  static constexpr int32_t kAnyRate = -1;
  // The key of rate-dependent tables: the integer part of the rate.
  static int32_t RateKey(float sample_rate);

  LookupTableRegistry();
  ~LookupTableRegistry();
  LookupTableRegistry(const LookupTableRegistry&) = delete;
  LookupTableRegistry& operator=(const LookupTableRegistry&) = delete;

  // Finds or creates the table `name`. A new table is a ULookup_Integer when `integer`,
  // else a ULookup; an existing table keeps the kind of its first request.
  LookupTable* FindSharedLookup(std::string_view name, int32_t key, bool integer);
  // Typed requests: null when the name already belongs to a table of the other kind.
  ULookup* CreateSharedLookup(std::string_view name, int32_t key);
  ULookup_Integer* CreateSharedLookupInteger(std::string_view name, int32_t key);
  // The key an entry holds; -2 when there is no such entry.
  int32_t KeyOf(std::string_view name) const;
  // Drops a table a module named for itself (tables no other module may hold).
  void Remove(std::string_view name);
  std::size_t size() const;

 private:
  struct Entry {
    std::unique_ptr<LookupTable> table;
    int32_t key;
    std::string name;
  };
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
};

}  // namespace kv
