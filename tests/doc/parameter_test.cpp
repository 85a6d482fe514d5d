// Normalised values and display texts derived from the datatype and choice list.
#include <gtest/gtest.h>

#include <cmath>

#include "doc/model/generic_parameter.h"
#include "doc/model/number_text.h"

namespace kv {
namespace {

struct Param : generic_parameter {
  int dt;
  std::string list, value;
  Param(int d, std::string l, std::string v) : dt(d), list(std::move(l)), value(std::move(v)) {}
  std::string getUnit() override { return {}; }
  bool hasPrograms() override { return false; }
  bool canExpose() override { return false; }
  bool isEditable() override { return true; }
  std::string getValueText() override { return value; }
  void setValueText(const std::string& t) override { value = t; }
  std::string getName() override { return "p"; }
  void setName(const std::string&) override {}
  int getDatatype() override { return dt; }
  std::string getChoiceList() override { return list; }
  std::string getExtraText() override { return {}; }
  std::string getFileExtension() override { return {}; }
  bool isFileName() override { return false; }
};

TEST(Parameter, NormalisedValuesAndTexts) {
  Param range(dt_enum, "range 1,200", "100");
  EXPECT_DOUBLE_EQ(range.getNormalised(), 99.0 / 199.0);
  range.setNormalised(1.0);
  EXPECT_EQ(range.value, "200");
  range.setNormalised(std::nan(""));
  EXPECT_EQ(range.value, "1");
  EXPECT_EQ(range.textForNormalised(0.5), "101");

  Param equal(dt_enum, "a=3,b=3", "3");
  EXPECT_EQ(equal.getNormalised(), 0.0);

  Param list(dt_enum, "Sine,Saw,Square", "2");
  EXPECT_EQ(list.getDisplayText(), "Square");
  EXPECT_EQ(list.textForNormalised(0.5), "Saw");
  EXPECT_EQ(list.getChoiceMin(), 0);
  EXPECT_EQ(list.getChoiceMax(), 2);

  Param flag(dt_bool, "", "1");
  EXPECT_EQ(flag.getNormalised(), 1.0);
  EXPECT_EQ(flag.getDisplayText(), "true");
  flag.setNormalised(0.5);
  EXPECT_EQ(flag.value, "0");
  EXPECT_EQ(flag.textForNormalised(0.5), "false");

  Param number(dt_double, "", "2.5");
  EXPECT_DOUBLE_EQ(number.getNormalised(), 0.25);
  number.setNormalised(0.9);  // no change for doubles
  EXPECT_EQ(number.value, "2.5");
  EXPECT_EQ(number.textForNormalised(0.1), "2.5");
  Param text(dt_text, "", "abc");
  EXPECT_EQ(text.getNormalised(), 0.0);
}

TEST(Parameter, NumbersInTextsIgnoreTheLocale) {
  EXPECT_EQ(parseInt("  -12abc"), -12);
  EXPECT_EQ(parseInt("x"), 0);
  EXPECT_EQ(parseInt("99999999999"), 2147483647);
  EXPECT_DOUBLE_EQ(parseDouble(" 2.5e1V"), 25.0);
  EXPECT_DOUBLE_EQ(parseDouble("-.5"), -0.5);
  EXPECT_DOUBLE_EQ(parseDouble("3,5"), 3.0);
  EXPECT_EQ(parseDouble(""), 0.0);
  EXPECT_EQ(formatFixed(0.5, 3), "0.500");
  EXPECT_EQ(formatFixed(-5, 3), "-5.000");
}

}  // namespace
}  // namespace kv
