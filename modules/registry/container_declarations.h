#pragma once
// Plug declarations of the module types whose plugs the document needs before their unit
// generators exist: the container ("Container", ug_container), its IO module ("IO Mod",
// ug_io_mod) and "Control Plugs" (ug_control_plugs). The unit generators list these same
// declarations from their ListInterface.
#include "modules/registry/plug_declaration.h"

namespace kv {

// "Spare", "Polyphony", "MIDI Automation", "Show Controls". The addresses are those given
// (null for the registry's copy).
void ListContainerInterface(DeclarationList& out, void* polyphony = nullptr,
                            void* midi_automation = nullptr, void* show_controls = nullptr);
// One auto-duplicating "Spare".
void ListIoModInterface(DeclarationList& out);
// One nameless dt_volts output, flags 0x144 (the document supplies the actual plugs).
void ListControlPlugsInterface(DeclarationList& out);

}  // namespace kv
