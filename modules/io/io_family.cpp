#include "modules/io/io_family.h"

#include "engine/unit_generator_catalogue.h"
#include "modules/io/vst_input.h"
#include "modules/io/vst_output.h"

namespace kv {

void RegisterHostIo(UnitGeneratorCatalogue& catalogue) {
  catalogue.Add<ug_vst_in>("ug_vst_in");
  catalogue.Add<ug_vst_out>("ug_vst_out");
}

}  // namespace kv
