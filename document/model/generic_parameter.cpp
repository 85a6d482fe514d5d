#include "document/model/generic_parameter.h"

#include <cmath>

#include "document/model/choice_list.h"
#include "engine/number_text.h"

namespace kv {

int generic_parameter::enumValueAt(double x, int min, int max) {
  if (!(x == x)) x = 0.0;  // NaN
  double v = std::floor(min + x * (static_cast<double>(max) - min) + 0.5);
  double lo = min < max ? min : max, hi = min < max ? max : min;
  if (v < lo) v = lo;
  if (v > hi) v = hi;
  return static_cast<int>(v);
}

int generic_parameter::getChoiceMin() { return ChoiceList(getChoiceList()).minValue(); }
int generic_parameter::getChoiceMax() { return ChoiceList(getChoiceList()).maxValue(); }

double generic_parameter::getNormalised() {
  switch (getDatatype()) {
    case dt_enum: {
      ChoiceList list(getChoiceList());
      const int min = list.minValue(), max = list.maxValue();
      if (max == min) return 0.0;
      return (parseDouble(getValueText()) - min) / (static_cast<double>(max) - min);
    }
    case dt_double: return parseDouble(getValueText()) * 0.1;
    case dt_bool: return getValueText() == "1" ? 1.0 : 0.0;
    default: return 0.0;
  }
}

void generic_parameter::setNormalised(double x) {
  switch (getDatatype()) {
    case dt_enum: {
      ChoiceList list(getChoiceList());
      setValueText(formatInt(enumValueAt(x, list.minValue(), list.maxValue())));
      break;
    }
    case dt_bool: setValueText(x > 0.5 ? "1" : "0"); break;
    default: break;
  }
}

std::string generic_parameter::textForNormalised(double x) {
  switch (getDatatype()) {
    case dt_enum: {
      ChoiceList list(getChoiceList());
      return list.labelFor(enumValueAt(x, list.minValue(), list.maxValue()));
    }
    case dt_bool: return x > 0.5 ? "true" : "false";
    default: return getValueText();
  }
}

std::string generic_parameter::getDisplayText() {
  switch (getDatatype()) {
    case dt_enum: return ChoiceList(getChoiceList()).labelFor(parseInt(getValueText()));
    case dt_bool: return getValueText() == "1" ? "true" : "false";
    default: return getValueText();
  }
}

}  // namespace kv
