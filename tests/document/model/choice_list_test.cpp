#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "document/model/choice_list.h"

namespace kv {
namespace {

std::vector<std::pair<int, std::string>> walk(const std::string& text) {
  std::vector<std::pair<int, std::string>> out;
  it_enum_list it(text);
  for (it.first(); !it.isDone(); it.next()) out.emplace_back(it.current().value, it.current().text);
  EXPECT_EQ(it.current().value, -999999);
  EXPECT_EQ(it.current().text, "DONE");
  return out;
}

using Entries = std::vector<std::pair<int, std::string>>;

TEST(ChoiceList, ParsesEntriesValuesAndRanges) {
  struct Case {
    const char* text;
    Entries expected;
  };
  const Case cases[] = {
      {"On=1,Off=0", {{1, "On"}, {0, "Off"}}},
      {"None=10,0=0,1,2,3", {{10, "None"}, {0, "0"}, {1, "1"}, {2, "2"}, {3, "3"}}},
      {"All=-1,1,2", {{-1, "All"}, {0, "1"}, {1, "2"}}},
      {"Combo Box=0, LED Stack, Labeled LED Stack", {{0, "Combo Box"}, {1, "LED Stack"}, {2, "Labeled LED Stack"}}},
      {"=5,a", {{0, "=5"}, {1, "a"}}},  // '=' at the first position is part of the label
      {"a,,b", {{0, "a"}, {1, ""}, {2, "b"}}},
      {"a,b,", {{0, "a"}, {1, "b"}}},
      {"", {}},
      {"range 2,4", {{2, "2"}, {3, "3"}, {4, "4"}}},
      {"range 5,1", {}},
      {"Range 1,3", {{0, "Range 1"}, {1, "3"}}},  // the walker's prefix is case-sensitive
      {"a=2147483647,b", {{2147483647, "a"}, {-2147483647 - 1, "b"}}},  // counts on as 32-bit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(walk(c.text), c.expected);
  }
  EXPECT_EQ(ChoiceList("range 0,127").size(), 128);
  EXPECT_EQ(ChoiceList("range 0,127").entry(127).text, "127");
  EXPECT_TRUE(ChoiceList("Range 1,3", true).isRange());
  // A huge range is handled arithmetically.
  ChoiceList huge("range 0,2000000000");
  EXPECT_EQ(huge.size(), 2000000001LL);
  EXPECT_EQ(huge.labelFor(1999999999), "1999999999");
  EXPECT_EQ(huge.labelFor(-1), "");
}

TEST(ChoiceList, Compatibility) {
  EXPECT_TRUE(choiceListsCompatible("range 0,3", "0,1,2,whatever"));
  EXPECT_FALSE(choiceListsCompatible("range 0,3", "0,1,x,3"));
  EXPECT_FALSE(choiceListsCompatible("range 0,3", "0,1,2"));
  EXPECT_TRUE(choiceListsCompatible("range 0,2000000000", "range 0,2000000000"));
  EXPECT_FALSE(choiceListsCompatible("range 0,2000000000", "a=0,b=2000000000"));
  EXPECT_TRUE(choiceListsCompatible("a=0,b=2000000000", "a=0,c=2000000000"));
  EXPECT_FALSE(choiceListsCompatible("Sine,Saw,Square", "Sine,Saw"));
  EXPECT_FALSE(choiceListsCompatible("Sine,saw,Square", "Sine,Saw,Square"));
  EXPECT_EQ(choiceLabel("Lead, bright=2"), "Lead; bright2");
}

}  // namespace
}  // namespace kv
