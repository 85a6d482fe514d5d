#pragma once
// Snapshot tests: compare a rendered bitmap with a PNG stored in the source tree.
//
//   EXPECT_TRUE(kv::test::matches_snapshot(bitmap, "tests/platform/snapshots/lines.png"));
//
// The path is relative to the source root ($KORVANE_SOURCE_DIR, set by kv_add_test).
// Comparison is exact unless the test opts into a tolerance. On a mismatch the actual image
// and a diff image (differing pixels red over a faded copy of the expected image) are
// written to $KORVANE_BUILD_DIR/snapshot-failures/, and the message names them.
//
// Refreshing stored images on purpose: run the tests with KORVANE_UPDATE_SNAPSHOTS=1, e.g.
//   KORVANE_UPDATE_SNAPSHOTS=1 ctest --test-dir build -R Snapshot
// then look at every changed PNG (git diff --stat; open them) before committing.
// A stored image that does not exist yet fails the test unless updating.

#include <gtest/gtest.h>

#include <string>

#include "platform/gfx/bitmap.h"

namespace kv::test {

struct SnapshotOptions {
  int tolerance = 0;         // largest allowed difference per channel
  int64_t max_differing = 0; // pixels allowed to exceed the tolerance
  bool alpha = false;        // compare and store the alpha channel (images), not just RGB (surfaces)
};

::testing::AssertionResult matches_snapshot(const gfx::Bitmap& image, const std::string& stored_path,
                                            const SnapshotOptions& options = {});

// Source and build roots as the tests see them.
std::string source_root();
std::string build_root();

}  // namespace kv::test
