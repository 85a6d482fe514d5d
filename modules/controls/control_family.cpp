#include "modules/controls/control_family.h"

#include "engine/unit_generator_catalogue.h"
#include "modules/controls/level_out.h"
#include "modules/controls/list_entry.h"
#include "modules/controls/patch_select.h"
#include "modules/controls/slider.h"
#include "modules/controls/switches.h"

namespace kv {

void RegisterControls(UnitGeneratorCatalogue& catalogue) {
  catalogue.Add<ug_slider>("ug_slider");
  catalogue.Add<ug_combobox>("ug_combobox");
  catalogue.Add<ug_text_entry>("ug_text_entry");
  catalogue.Add<ug_param_float_in>("ug_param_float_in");
  catalogue.Add<ug_patch_sel>("ug_patch_sel");
  catalogue.Add<ug_switch>("ug_switch");
  catalogue.Add<ug_switch2>("ug_switch2");
  catalogue.Add<ug_voltage_to_enum>("ug_voltage_to_enum");
  catalogue.Add<ug_fixed_values>("ug_fixed_values");
  catalogue.Add<ug_param_float_out>("ug_param_float_out");
}

}  // namespace kv
