#include "modules/amplifiers/amplifier_family.h"

#include "engine/unit_generator_catalogue.h"
#include "engine/ug_adder.h"
#include "modules/amplifiers/multiplier.h"
#include "modules/amplifiers/pan.h"
#include "modules/amplifiers/vca.h"
#include "modules/amplifiers/voice_combiner.h"

namespace kv {

void RegisterAmplifiers(UnitGeneratorCatalogue& catalogue) {
  catalogue.Add<ug_vca>("ug_vca");
  catalogue.Add<ug_pan>("ug_pan");
  catalogue.Add<ug_cross_fade>("ug_cross_fade");
  catalogue.Add<ug_multiplier>("ug_multiplier");
  catalogue.Add<ug_adder>("ug_adder");
  catalogue.Add<ug_voice_combiner>("ug_voice_combiner");
}

}  // namespace kv
