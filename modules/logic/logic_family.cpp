#include "modules/logic/logic_family.h"

#include "engine/unit_generator_catalogue.h"
#include "modules/logic/clipper.h"
#include "modules/logic/comparator.h"
#include "modules/logic/generic_1_1.h"
#include "modules/logic/logic_gates.h"

namespace kv {

void RegisterLogic(UnitGeneratorCatalogue& catalogue) {
  catalogue.Add<ug_clipper>("ug_clipper");
  catalogue.Add<ug_comparator>("ug_comparator");
  catalogue.Add<ug_rectifier>("ug_rectifier");
  catalogue.Add<ug_inverter>("ug_inverter");
  catalogue.Add<ug_math_floor>("ug_math_floor");
  catalogue.Add<ug_math_ceil>("ug_math_ceil");
  catalogue.Add<ug_denormal_stop>("ug_denormal_stop");
  catalogue.Add<ug_denormal_detect>("ug_denormal_detect");
  catalogue.Add<ug_logic_not>("ug_logic_not");
  catalogue.Add<ug_logic_AND>("ug_logic_AND");
  catalogue.Add<ug_logic_OR>("ug_logic_OR");
  catalogue.Add<ug_logic_XOR>("ug_logic_XOR");
  catalogue.Add<ug_logic_NAND>("ug_logic_NAND");
  catalogue.Add<ug_logic_NOR>("ug_logic_NOR");
}

}  // namespace kv
