#pragma once
// gp_array: a set of values of one parameter, used to make random patches and to breed new
// ones from two parents (the patch-breeding display).
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "document/model/random_source.h"

namespace kv {

class generic_parameter;

class gp_array {
 public:
  // count values of the parameter's datatype: 16-bit integers (dt_enum), texts (dt_text),
  // doubles (dt_double), bytes (dt_bool), 32-bit values (dt_volts); none for the others.
  static gp_array create(generic_parameter& p, int count);

  int datatype() const { return datatype_; }
  std::size_t size() const;
  bool holdsValues() const { return !std::holds_alternative<std::monostate>(values_); }

  // Random entries: dt_enum floor(r (max - min) + min + 0.5), or min when min = max;
  // dt_double r * 10 (r = rand() / 32767).
  void randomise(generic_parameter& p, RandomSource& random);
  // Entry i of the child from entry i of two parents: dt_enum takes one parent's value with
  // equal chance and, 1 time in 4096, a fresh random value; dt_double takes one parent's
  // value plus (r - 0.5) * 0.005.
  static void cross(const gp_array& a, const gp_array& b, gp_array& child, std::size_t i,
                    generic_parameter& p, RandomSource& random);
  // Writes entry i back to the parameter ("%d" for dt_enum, "%f" for dt_double).
  void writeBack(generic_parameter& p, std::size_t i) const;

  using Values = std::variant<std::monostate, std::vector<int16_t>, std::vector<std::string>,
                              std::vector<double>, std::vector<uint8_t>, std::vector<int32_t>>;
  const Values& values() const { return values_; }
  Values& values() { return values_; }

 private:
  int datatype_ = -1;
  Values values_;
};

}  // namespace kv
