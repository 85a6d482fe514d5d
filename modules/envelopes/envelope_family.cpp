#include "modules/envelopes/envelope_family.h"

#include "engine/unit_generator_catalogue.h"
#include "modules/envelopes/adsr.h"
#include "modules/envelopes/eight_stage_envelope.h"
#include "modules/envelopes/multistage_envelope.h"

namespace kv {

void RegisterEnvelopes(UnitGeneratorCatalogue& catalogue) {
  catalogue.Add<ug_adsr>("ug_adsr");
  catalogue.Add<ug_8_stage>("ug_8_stage");
  catalogue.Add<ug_envelope_ms>("ug_envelope_ms");
}

}  // namespace kv
