#include "modules/filters/filter_family.h"

#include "engine/unit_generator_catalogue.h"
#include "modules/filters/allpass_filter.h"
#include "modules/filters/moog_filter.h"
#include "modules/filters/one_pole_filter.h"
#include "modules/filters/parametric_eq.h"
#include "modules/filters/state_variable_filter.h"

namespace kv {

void RegisterFilters(UnitGeneratorCatalogue& catalogue) {
  catalogue.Add<ug_filter_sv>("ug_filter_sv");
  catalogue.Add<ug_filter_biquad>("ug_filter_biquad");
  catalogue.Add<ug_filter_1pole>("ug_filter_1pole");
  catalogue.Add<ug_filter_1pole_hp>("ug_filter_1pole_hp");
  catalogue.Add<ug_filter_allpass>("ug_filter_allpass");
  catalogue.Add<ug_filter_eq_parametric>("ug_filter_eq_parametric");
}

}  // namespace kv
