#include "modules/oscillators/oscillator_family.h"

#include "engine/unit_generator_catalogue.h"
#include "modules/oscillators/oscillator.h"
#include "modules/oscillators/phase_dist_oscillator.h"
#include "modules/oscillators/test_tone.h"

namespace kv {

void RegisterOscillators(UnitGeneratorCatalogue& catalogue) {
  catalogue.Add<ug_oscillator2>("ug_oscillator2");
  catalogue.Add<ug_oscillator_pd>("ug_oscillator_pd");
  catalogue.Add<ug_test_tone>("ug_test_tone");
}

}  // namespace kv
