#include "platform/text/font_cache.h"

#include <gtest/gtest.h>

namespace kv::gfx {
namespace {

TEST(FontCache, MissingFaceFallsBackToPinnedDejaVu) {
  FontCache cache(dejavu_test_fonts());
  auto f = cache.get({"Arial", -12});
  EXPECT_EQ(f->family(), "DejaVu Sans");
  EXPECT_EQ(f->metrics().char_height, 12);
  EXPECT_GT(f->extent("M").cx, 0);
}

}  // namespace
}  // namespace kv::gfx
