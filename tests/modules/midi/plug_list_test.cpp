// The plug lists the MIDI modules declare, in plug order, and their registration: each
// module's id and legacy number lead to its unit generator.
#include <gtest/gtest.h>

#include <string>
#include <typeinfo>
#include <vector>

#include "engine/ug_adder.h"
#include "modules/midi/controller_names.h"
#include "modules/midi/cv_midi.h"
#include "modules/midi/midi_automator.h"
#include "modules/midi/midi_controllers.h"
#include "modules/midi/midi_filter.h"
#include "modules/midi/midi_in_out.h"
#include "modules/midi/midi_keyboard.h"
#include "modules/midi/midi_monitor.h"
#include "modules/midi/midi_to_cv.h"
#include "modules/registry/module_registry.h"
#include "tests/support/plug_declarations.h"

namespace kv {
namespace {

using Decl = PlugDeclaration;

const std::string kChannels = "All=-1,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16";

TEST(MidiPlugs, DeclaredInPlugOrder) {
  EXPECT_EQ(DeclaredWithHelp(ug_midi_to_cv{}),
            (std::vector<Decl>{
                {"MIDI In", DR_IN, dt_midi, "0", "", 0, ""},
                {"Channel", DR_IN, dt_enum, "-1", kChannels, 3, "MIDI Channel"},
                {"Bend Range", DR_IN, dt_enum, "12", "range 0,12", 0, "Maximum MIDI bender range in semitones"},
                {"Gate", DR_OUT, dt_volts, "", "", 0, "Use this to control an envelope (ADSR)"},
                {"Pitch", DR_OUT, dt_volts, "", "", 0, "Use this to control an Oscillator or Filter Pitch"},
                {"Velocity", DR_OUT, dt_volts, "", "", 0, "Provides MIDI velocity level (How fast you hit the key)"},
                {"Aftertouch", DR_OUT, dt_volts, "", "", 0, "Provides MIDI Aftertouch level"},
                {"Mono Mode", DR_IN, dt_enum, "0", "On=1,Off=0", 2, "Limit sound to one voice. Enables the Retrigger option"},
                {"Retrigger", DR_IN, dt_enum, "1", "On=1,Off=0", 2,
                 "Retrigger Envelopes when playing legato (you hit a note before releasing previous). Used with Mono Mode."},
                {"Portamento Time", DR_IN, dt_volts, "0", "", 0x202, "Time for pitch to slide to a new note (When you play legato)"},
            }));
  EXPECT_EQ(DeclaredWithHelp(ug_midi_in{}), (std::vector<Decl>{{"MIDI Data", DR_OUT, dt_midi, "", "", 0, ""}}));
  EXPECT_EQ(DeclaredWithHelp(ug_midi_out{}), (std::vector<Decl>{{"MIDI In", DR_IN, dt_midi, "0", "", 0, ""}}));
  EXPECT_EQ(DeclaredWithHelp(ug_midi_filter{}),
            (std::vector<Decl>{
                {"MIDI In", DR_IN, dt_midi, "", "", 0, "MIDI Input Plug"},
                {"MIDI Out", DR_OUT, dt_midi, "", "", 0, "MIDI Output Plug"},
                {"Channel Lo", DR_IN, dt_enum, "1", "range 1,16", 1, "MIDI Channel Low"},
                {"Channel Hi", DR_IN, dt_enum, "16", "range 1,16", 1, "MIDI Channel Hi"},
                {"Note Lo", DR_IN, dt_enum, "0", "range 0,127", 1, "Note Low"},
                {"Note Hi", DR_IN, dt_enum, "127", "range 0,127", 1, "Note Hi"},
                {"Velocity Lo", DR_IN, dt_enum, "0", "range 0,127", 1, "Velocity Low"},
                {"Velocity Hi", DR_IN, dt_enum, "127", "range 0,127", 1, "Velocity Hi"},
            }));
  EXPECT_EQ(DeclaredWithHelp(ug_adder_midi{}), (std::vector<Decl>{{"Out", DR_OUT, dt_midi, "", "", 0, ""},
                                                         {"In", DR_IN, dt_midi, "", "", 128, ""}}));
  {
    const auto& list = midi::ControllerChoiceList();
    const std::string help = "Choose which MIDI controller you want converted to a Voltage output";
    std::vector<Decl> expected{{"MIDI In", DR_IN, dt_midi, "0", "", 0, ""},
                               {"Channel", DR_IN, dt_enum, "-1", kChannels, 3, "MIDI Channel"}};
    for (const char* d : {"1", "2", "3", "4"}) expected.push_back({"Type", DR_IN, dt_enum, d, list, 1, help});
    expected.push_back({"Aftertouch", DR_OUT, dt_volts, "", "", 0, ""});
    expected.push_back({"Bender", DR_OUT, dt_volts, "", "", 0, ""});
    for (int i = 0; i < 4; ++i) expected.push_back({"Controller", DR_OUT, dt_volts, "", "", 0, ""});
    EXPECT_EQ(DeclaredWithHelp(ug_midi_controllers{}), expected);
  }
  EXPECT_EQ(DeclaredWithHelp(ug_midi_automator{}),
            (std::vector<Decl>{
                {"Channel", DR_IN, dt_enum, "-1", kChannels, 3, "MIDI Channel selection"},
                {"MIDI In", DR_IN, dt_midi, "0", "", 0, "Use this to automate the controls from a MIDI sequence"},
                {"MIDI Out", DR_OUT, dt_midi, "", "", 0, "Sends MIDI controller messages when control is changed"},
                {"Hidden Output", DR_OUT, dt_midi, "0", "", 256,
                 "Allows routing setup to position this ug correctly in sortorder"},
            }));
  EXPECT_EQ(DeclaredWithHelp(ug_midi_automator_out{}),
            (std::vector<Decl>{
                {"Channel", DR_IN, dt_enum, "0", kChannels, 3, "MIDI Channel selection"},
                {"Hidden Input", DR_IN, dt_midi, "0", "", 0, ""},
                {"MIDI Out", DR_OUT, dt_midi, "", "", 0, ""},
            }));
  EXPECT_EQ(DeclaredWithHelp(ug_midi_monitor{}),
            (std::vector<Decl>{{"MIDI In", DR_IN, dt_midi, "", "", 0, "MIDI Input Plug"},
                               {"Channel", DR_IN, dt_enum, "-1", kChannels, 3, "MIDI Channel"}}));
  EXPECT_EQ(DeclaredWithHelp(ug_midi_keyboard{}),
            (std::vector<Decl>{
                {"Channel", DR_IN, dt_enum, "0", "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16", 3, "MIDI Channel"},
                {"MIDI Out", DR_OUT, dt_midi, "", "", 0, ""}}));
  EXPECT_EQ(DeclaredWithHelp(ug_cv_midi{}),
            (std::vector<Decl>{
                {"Gate", DR_IN, dt_volts, "0", "", 1, "Triggers the Note on message"},
                {"Pitch", DR_IN, dt_volts, "5", "", 1, "Sets the note pitch"},
                {"Velocity", DR_IN, dt_volts, "5", "", 1, "Sets the note velocity"},
                {"Channel", DR_IN, dt_enum, "0", kChannels, 3, "MIDI Channel"},
                {"MIDI Data", DR_OUT, dt_midi, "", "", 0, ""},
                {"Freq Scale", DR_PARAMETER, dt_enum, "0", "1 Volt/Octave, 1 Volt/kHz ", 0,
                 "Switches between 1 Volt per Octave or 1 Volt per kHz response."},
            }));
}

TEST(MidiPlugs, ControllerListNamesEveryNumber) {
  const std::string& list = midi::ControllerChoiceList();
  EXPECT_EQ(list.rfind("<none>=-1,0 - Bank Select,1 - Mod Wheel,2 - Breath,3,4 - Foot pedal,", 0), 0u);
  for (const char* entry : {",7 - Volume,", ",31,32,33 - Mod Wheel LSB=33,", ",97 - data button decrement,98/99 - NRPN=99,100/101 - RPN=101,102=102,",
                            ",127 - Polyphonic"})
    EXPECT_NE(list.find(entry), std::string::npos) << entry;
}

TEST(MidiRegistry, IdsAndLegacyNumbersMakeTheUnitGenerators) {
  ModuleRegistry& r = GetModuleRegistry();
  struct Case {
    const char* legacy;
    const char* id;
    const std::type_info& type;
  };
  const Case cases[] = {
      {"BI9", "Midi to CV", typeid(ug_midi_to_cv)},
      {"BI16", "MIDI In", typeid(ug_midi_in)},
      {"BI30", "MIDI Out", typeid(ug_midi_out)},
      {"BI92", "MIDI Filter", typeid(ug_midi_filter)},
      {"BI74", "MIDI Adder2", typeid(ug_adder_midi)},
      {"BI18", "MIDI Adder(obsolete)", typeid(ug_adder_midi)},
      {"BI31", "Controllers", typeid(ug_midi_controllers)},
      {"BI90", "MIDI Automator", typeid(ug_midi_automator)},
      {"BI91", "MIDI Automator Output", typeid(ug_midi_automator_out)},
      {"BI77", "MIDI Monitor", typeid(ug_midi_monitor)},
      {"BI64", "KeyBoard", typeid(ug_midi_keyboard)},
      {"BI84", "Trigger to MIDI", typeid(ug_cv_midi)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Module_Info* info = r.FindModuleInfo(c.legacy);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->GetId(), c.id);
    std::unique_ptr<ug_base> ug(info->CreateUG());
    ASSERT_NE(ug, nullptr);
    EXPECT_EQ(typeid(*ug), c.type);
    std::vector<InterfaceObject> list;
    ug->ListInterface(list);
    EXPECT_EQ(info->declarations.size(), list.size());
  }
}

}  // namespace
}  // namespace kv
