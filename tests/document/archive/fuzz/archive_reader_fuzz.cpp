// Feeds arbitrary bytes to the archive reader with the test classes registered. Top-level
// slots are read until the stream ends (at most 16, as a clipboard holds several), each kept,
// then the load commits. Errors must be ArchiveErrors; leaks and memory errors are found by
// the sanitizers. A stream that reads is written back, and that must read again and write
// the same bytes.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "document/archive/archive.h"
#include "tests/document/archive/test_classes.h"

namespace {

using namespace kv;

std::vector<std::unique_ptr<Archivable>> readAll(std::span<const uint8_t> bytes) {
  LoadContext context;
  context.max_object_depth = 500;  // keeps the sanitizer stack small
  std::vector<Archivable*> read;
  {
    ArchiveReader r(bytes, test::testClasses(), context);
    do {
      Archivable* o = r.readObject();
      r.keep(o);
      read.push_back(o);
    } while (!r.atEnd() && read.size() < 16);
    r.commit();
  }
  std::vector<std::unique_ptr<Archivable>> owned;
  for (Archivable* o : read) owned.emplace_back(o);
  return owned;
}

std::vector<uint8_t> writeAll(const std::vector<std::unique_ptr<Archivable>>& objects) {
  std::vector<uint8_t> out;
  ArchiveWriter w(out, 500);
  for (const auto& o : objects) w.writeObject(o.get());
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::unique_ptr<Archivable>> objects;
  try {
    objects = readAll(std::span<const uint8_t>(data, size));
  } catch (const ArchiveError&) {
    return 0;
  }
  const std::vector<uint8_t> first = writeAll(objects);
  auto again = readAll(first);
  if (writeAll(again) != first) std::abort();
  return 0;
}
