#include "modules/registry/container_declarations.h"

namespace kv {

void ListContainerInterface(DeclarationList& out, void* polyphony, void* midi_automation,
                            void* show_controls) {
  out.emplace_back(nullptr, dt_volts, nullptr, DR_CONTAINER_IO, "Connection to a module inside",
                   "Spare", "0", "", 0x04C);
  out.emplace_back(polyphony, dt_enum, nullptr, DR_PARAMETER,
                   "Limits the number of notes you can play at once. (Changes take effect next "
                   "time you re-start the sound)",
                   "Polyphony", "6", "range 1,200", 0);
  out.emplace_back(midi_automation, dt_bool, nullptr, DR_PARAMETER, "", "MIDI Automation", "", "",
                   0x100);
  out.emplace_back(show_controls, dt_enum, nullptr, DR_PARAMETER, "", "Show Controls", "0",
                   "Off,On Panel,On Module", 0);
}

void ListIoModInterface(DeclarationList& out) {
  out.emplace_back(nullptr, dt_volts, nullptr, DR_CONTAINER_IO,
                   "Connection to modules outside (at higher level of structure)", "Spare", "0",
                   "", 0x04C);
}

void ListControlPlugsInterface(DeclarationList& out) {
  out.emplace_back(nullptr, dt_volts, nullptr, DR_OUT, "", "", "", "", 0x144);
}

}  // namespace kv
