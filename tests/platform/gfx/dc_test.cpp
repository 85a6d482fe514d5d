#include "platform/gfx/dc.h"

#include <gtest/gtest.h>

namespace kv::gfx {
namespace {

constexpr Colour kRed{255, 0, 0};

TEST(DcLine, EndPointIsExcluded) {
  Bitmap b(8, 8);
  DC dc(b);
  dc.set_pen({kRed});
  dc.move_to({1, 1});
  dc.line_to({5, 1});
  for (int x = 0; x < 8; ++x) EXPECT_EQ(b.at(x, 1), (x >= 1 && x < 5) ? kRed.pixel() : 0u) << x;
}

}  // namespace
}  // namespace kv::gfx
