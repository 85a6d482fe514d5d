#include "document/model/gp_array.h"

#include <cmath>

#include "document/model/generic_parameter.h"
#include "engine/number_text.h"

namespace kv {

gp_array gp_array::create(generic_parameter& p, int count) {
  gp_array a;
  a.datatype_ = p.getDatatype();
  const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
  switch (a.datatype_) {
    case dt_enum: a.values_ = std::vector<int16_t>(n); break;
    case dt_text: a.values_ = std::vector<std::string>(n); break;
    case dt_double: a.values_ = std::vector<double>(n); break;
    case dt_bool: a.values_ = std::vector<uint8_t>(n); break;
    case dt_volts: a.values_ = std::vector<int32_t>(n); break;
    default: break;
  }
  return a;
}

std::size_t gp_array::size() const {
  return std::visit(
      [](const auto& v) -> std::size_t {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::monostate>) return 0;
        else return v.size();
      },
      values_);
}

namespace {
int16_t randomEnum(generic_parameter& p, RandomSource& random) {
  const int min = p.getChoiceMin(), max = p.getChoiceMax();
  if (min == max) return static_cast<int16_t>(min);
  const double r = random.unit();
  return static_cast<int16_t>(std::floor(r * (static_cast<double>(max) - min) + min + 0.5));
}
}  // namespace

void gp_array::randomise(generic_parameter& p, RandomSource& random) {
  if (auto* v = std::get_if<std::vector<int16_t>>(&values_)) {
    for (int16_t& e : *v) e = randomEnum(p, random);
  } else if (auto* d = std::get_if<std::vector<double>>(&values_)) {
    for (double& e : *d) e = random.unit() * 10.0;
  }
}

void gp_array::cross(const gp_array& a, const gp_array& b, gp_array& child, std::size_t i,
                     generic_parameter& p, RandomSource& random) {
  if (auto* c = std::get_if<std::vector<int16_t>>(&child.values_)) {
    const auto* va = std::get_if<std::vector<int16_t>>(&a.values_);
    const auto* vb = std::get_if<std::vector<int16_t>>(&b.values_);
    if (!va || !vb || i >= c->size() || i >= va->size() || i >= vb->size()) return;
    (*c)[i] = random.unit() > 0.5 ? (*va)[i] : (*vb)[i];
    if ((random.next() & 4095) == 0) (*c)[i] = randomEnum(p, random);
  } else if (auto* c = std::get_if<std::vector<double>>(&child.values_)) {
    const auto* va = std::get_if<std::vector<double>>(&a.values_);
    const auto* vb = std::get_if<std::vector<double>>(&b.values_);
    if (!va || !vb || i >= c->size() || i >= va->size() || i >= vb->size()) return;
    (*c)[i] = (random.unit() > 0.5 ? (*va)[i] : (*vb)[i]) + (random.unit() - 0.5) * 0.005;
  }
}

void gp_array::writeBack(generic_parameter& p, std::size_t i) const {
  if (auto* v = std::get_if<std::vector<int16_t>>(&values_)) {
    if (i < v->size()) p.setValueText(formatInt((*v)[i]));
  } else if (auto* d = std::get_if<std::vector<double>>(&values_)) {
    if (i < d->size()) p.setValueText(formatFixed((*d)[i], 6));
  }
}

}  // namespace kv
