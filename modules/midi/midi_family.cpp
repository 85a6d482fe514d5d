#include "modules/midi/midi_family.h"

#include "engine/unit_generator_catalogue.h"
#include "engine/ug_adder.h"
#include "modules/midi/cv_midi.h"
#include "modules/midi/midi_automator.h"
#include "modules/midi/midi_controllers.h"
#include "modules/midi/midi_filter.h"
#include "modules/midi/midi_in_out.h"
#include "modules/midi/midi_keyboard.h"
#include "modules/midi/midi_monitor.h"
#include "modules/midi/midi_to_cv.h"

namespace kv {

void RegisterMidi(UnitGeneratorCatalogue& catalogue) {
  catalogue.Add<ug_midi_to_cv>("ug_midi_to_cv");
  catalogue.Add<ug_midi_in>("ug_midi_in");
  catalogue.Add<ug_midi_out>("ug_midi_out");
  catalogue.Add<ug_midi_filter>("ug_midi_filter");
  catalogue.Add<ug_adder_midi>("ug_adder_midi");
  catalogue.Add<ug_midi_controllers>("ug_midi_controllers");
  catalogue.Add<ug_midi_automator>("ug_midi_automator");
  catalogue.Add<ug_midi_automator_out>("ug_midi_automator_out");
  catalogue.Add<ug_midi_monitor>("ug_midi_monitor");
  catalogue.Add<ug_midi_keyboard>("ug_midi_keyboard");
  catalogue.Add<ug_cv_midi>("ug_cv_midi");
}

}  // namespace kv
