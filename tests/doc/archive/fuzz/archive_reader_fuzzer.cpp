// Feeds arbitrary bytes to the archive reader with the test classes registered: one top-level
// object, as a patch's root is read, then commit. Errors must be ArchiveErrors; leaks and
// memory errors are found by the sanitizers. A stream that reads is written back and must
// read again to the same bytes.
#include <cstdint>
#include <cstdlib>

#include "doc/archive/archive.h"
#include "tests/doc/archive/test_classes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kv;
  std::unique_ptr<test::TNode> root;
  try {
    LoadContext context;
    context.max_object_depth = 500;  // keeps the sanitizer stack small
    root = test::readTestRoot(std::span<const uint8_t>(data, size), &context);
  } catch (const ArchiveError&) {
    return 0;
  }
  if (root) {
    const std::vector<uint8_t> first = test::writeTestRoot(root.get());
    LoadContext context;
    auto again = test::readTestRoot(first, &context);
    if (test::writeTestRoot(again.get()) != first) std::abort();
  }
  return 0;
}
