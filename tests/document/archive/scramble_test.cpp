#include "document/archive/scramble.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace kv {
namespace {

std::vector<bool> changed(const std::vector<uint8_t>& stored) {
  std::vector<uint8_t> b = stored;
  unscramblePatch(b);
  std::vector<bool> c(b.size());
  for (size_t i = 0; i < b.size(); ++i) c[i] = b[i] != stored[i];
  return c;
}

TEST(Scramble, StepDependsOnBitZeroOfTheStoredByte) {
  static_assert(kPatchScrambleKey != 0);
  EXPECT_EQ(changed(std::vector<uint8_t>(7, 0x42)), std::vector<bool>(7, true));
  EXPECT_EQ(changed(std::vector<uint8_t>(7, 0x43)),
            (std::vector<bool>{true, false, false, true, false, false, true}));
  // The walk ends at the end: one odd byte, and two bytes whose first is odd.
  EXPECT_EQ(changed({0x01}), std::vector<bool>{true});
  EXPECT_EQ(changed({0x01, 0x02}), (std::vector<bool>{true, false}));
  EXPECT_EQ(changed({}), std::vector<bool>{});
}

TEST(Scramble, ScrambleAndUnscrambleUndoEachOther) {
  std::mt19937 rng(165);
  for (size_t n : {1u, 2u, 3u, 4u, 17u, 1000u}) {
    std::vector<uint8_t> plain(n);
    for (auto& v : plain) v = static_cast<uint8_t>(rng());
    std::vector<uint8_t> b = plain;
    scramblePatch(b);
    EXPECT_NE(b, plain);
    unscramblePatch(b);
    EXPECT_EQ(b, plain);
  }
  // Matches the documented walk for a fixed input.
  std::vector<uint8_t> b = {0x00, 0x01, 0x02, 0x03};
  scramblePatch(b, 0x01);  // 0x00^1 = 0x01 (odd: skip 2), then byte 3: 0x03^1 = 0x02
  EXPECT_EQ(b, (std::vector<uint8_t>{0x01, 0x01, 0x02, 0x02}));
}

}  // namespace
}  // namespace kv
