// Normalised values and display texts derived from the datatype and choice list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "document/model/generic_parameter.h"
#include "document/model/gp_array.h"
#include "engine/number_text.h"

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

TEST(Parameter, RandomAndBredValues) {
  RandomSource random(7);
  Param range(dt_enum, "range 1,200", "1");
  gp_array a = gp_array::create(range, 5000), b = gp_array::create(range, 5000);
  a.randomise(range, random);
  b.randomise(range, random);
  const auto& va = std::get<std::vector<int16_t>>(a.values());
  const auto& vb = std::get<std::vector<int16_t>>(b.values());
  EXPECT_EQ(*std::min_element(va.begin(), va.end()), 1);
  EXPECT_EQ(*std::max_element(va.begin(), va.end()), 200);
  gp_array child = gp_array::create(range, 5000);
  int fromA = 0, fresh = 0;
  for (std::size_t i = 0; i < 5000; ++i) {
    gp_array::cross(a, b, child, i, range, random);
    const int16_t c = std::get<std::vector<int16_t>>(child.values())[i];
    fromA += c == va[i];
    fresh += c != va[i] && c != vb[i];
  }
  EXPECT_NEAR(fromA, 2500, 250);
  EXPECT_LE(fresh, 10);  // about 1 in 4096
  child.writeBack(range, 3);
  EXPECT_EQ(range.value, std::to_string(std::get<std::vector<int16_t>>(child.values())[3]));

  Param single(dt_enum, "only=4", "4");
  gp_array s = gp_array::create(single, 3);
  s.randomise(single, random);
  EXPECT_EQ(std::get<std::vector<int16_t>>(s.values()), (std::vector<int16_t>{4, 4, 4}));

  Param number(dt_double, "", "0");
  gp_array d = gp_array::create(number, 100), e = gp_array::create(number, 100);
  d.randomise(number, random);
  e.randomise(number, random);
  gp_array dc = gp_array::create(number, 100);
  for (std::size_t i = 0; i < 100; ++i) {
    gp_array::cross(d, e, dc, i, number, random);
    const double x = std::get<std::vector<double>>(dc.values())[i];
    const double pa = std::get<std::vector<double>>(d.values())[i];
    const double pb = std::get<std::vector<double>>(e.values())[i];
    EXPECT_TRUE(std::abs(x - pa) <= 0.0025 || std::abs(x - pb) <= 0.0025);
    EXPECT_GE(pa, 0.0);
    EXPECT_LE(pa, 10.0);
  }
  std::get<std::vector<double>>(dc.values())[0] = 2.5;
  dc.writeBack(number, 0);
  EXPECT_EQ(number.value, "2.500000");
  Param midi(dt_midi, "", "");
  EXPECT_FALSE(gp_array::create(midi, 4).holdsValues());
  EXPECT_EQ(gp_array::create(range, 4).size(), 4u);
}

TEST(Parameter, NumbersInTextsIgnoreTheLocale) {
  EXPECT_EQ(parseInt("  -12abc"), -12);
  EXPECT_EQ(parseInt("x"), 0);
  EXPECT_EQ(parseInt("99999999999"), 2147483647);
  EXPECT_DOUBLE_EQ(parseDouble(" 2.5e1V"), 25.0);
  EXPECT_DOUBLE_EQ(parseDouble("-.5"), -0.5);
  EXPECT_DOUBLE_EQ(parseDouble("3,5"), 3.0);
  EXPECT_EQ(parseDouble(""), 0.0);
  // Beyond the double range: +-HUGE_VAL or 0 as atof, with or without a written exponent.
  const std::string many_digits(400, '7'), many_zeros(400, '0');
  EXPECT_EQ(parseDouble(many_digits), HUGE_VAL);
  EXPECT_EQ(parseDouble("-" + many_digits + ".5"), -HUGE_VAL);
  EXPECT_EQ(parseDouble("0." + many_zeros + "1"), 0.0);
  EXPECT_EQ(parseDouble("1e400"), HUGE_VAL);
  EXPECT_EQ(parseDouble("1e-400"), 0.0);
  EXPECT_EQ(parseDouble("0." + many_zeros + "1e+10"), 0.0);
  EXPECT_EQ(parseDouble(many_digits + "e-50"), HUGE_VAL);
  EXPECT_EQ(formatFixed(0.5, 3), "0.500");
  EXPECT_EQ(formatFixed(-5, 3), "-5.000");
}

}  // namespace
}  // namespace kv
