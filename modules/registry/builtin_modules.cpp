#include "modules/registry/builtin_modules.h"

#include "engine/ug_container.h"
#include "engine/ug_io_mod.h"
#include "engine/unit_generator_catalogue.h"
#include "modules/amplifiers/amplifier_family.h"
#include "modules/controls/control_family.h"
#include "modules/envelopes/envelope_family.h"
#include "modules/filters/filter_family.h"
#include "modules/io/io_family.h"
#include "modules/logic/logic_family.h"
#include "modules/midi/midi_family.h"
#include "modules/oscillators/oscillator_family.h"
#include "modules/registry/module_registry.h"

namespace kv {

const std::vector<BuiltinModule>& BuiltinModuleTable() {
  // number, id, document class, unit-generator class, module flags[, menu name, menu group]
  static const std::vector<BuiltinModule> table = {
      {1, "Audio Out", "CUG", "ug_wave_out", mf_structure_view | mf_hidden},
      {2, "ADSR", "CUG", "ug_adsr", mf_structure_view, 32821, 32820},
      {3, "Container", "CContainer", "ug_container", mf_structure_view | mf_container_part | mf_container},
      {4, "IO Mod", "CUG", "ug_io_mod", mf_structure_view | mf_io_module | mf_container_part},
      {5, "Slider", "Ctl_Slider", "ug_slider", mf_structure_view | mf_panel_view},
      {6, "Text Entry", "Ctl_Text", "ug_text_entry", mf_structure_view | mf_panel_view},
      {7, "List Entry", "Ctl_Combo", "ug_combobox", mf_structure_view | mf_panel_view},
      {8, "MIDI Player", "CUG", "ug_midi_player", mf_structure_view},
      {9, "Midi to CV", "CUG", "ug_midi_to_cv", mf_structure_view | mf_voice_source},
      {10, nullptr, nullptr, nullptr, 0},
      {11, "Level Adj", "CUG", "ug_multiplier", mf_structure_view},
      {12, "SV Filter", "CUG", "ug_filter_sv", mf_structure_view},
      {13, "VCA", "CUG", "ug_vca", mf_structure_view},
      {14, "Drum Trigger", "CUG", "ug_drum_trigger", mf_structure_view | mf_voice_source},
      {15, "Patch Select", "Ctl_PatchSel", "ug_patch_sel", mf_structure_view},
      {16, "MIDI In", "CUG", "ug_midi_in", mf_structure_view},
      {17, "Delay", "CUG", "ug_delay", mf_structure_view},
      {18, "MIDI Adder(obsolete)", "CUG", "ug_adder_midi", mf_hidden},
      {19, "Clipper", "CUG", "ug_clipper", mf_structure_view},
      {20, "Monitor", "Ctl_tty", "ug_monitor", mf_structure_view | mf_panel_view},
      {21, "Filter2 obsolete", "CUG", "ug_filter_biquad", mf_structure_view},
      {22, "Thrasher", "CUG", "UThrasher", mf_structure_view},
      {23, "Switch", "CUG", "ug_obs_USwitch_v1", mf_structure_view | mf_hidden},
      {24, "Switch2", "CUG", "ug_obs_USwitch2_v1", mf_structure_view | mf_hidden},
      {25, "Filter obs", "CUG", "ug_filter_biquad", mf_structure_view | mf_hidden},
      {26, "Inverter", "CUG", "ug_inverter", mf_structure_view},
      {27, "Sample Player obsolete", "CUG", "ug_sample_player", mf_structure_view | mf_voice_source | mf_hidden},
      {28, "Notesource", "CUG", "ug_notesource", mf_hidden},
      {29, "Audio In", "CUG", "ug_wave_in", mf_structure_view | mf_hidden},
      {30, "MIDI Out", "CUG", "ug_midi_out", mf_structure_view},
      {31, "Controllers", "CUG", "ug_midi_controllers", mf_structure_view},
      {32, "VoiceMonitor", "CUG", "ug_voice_monitor", mf_structure_view | mf_hidden},
      {33, "Button", "Ctl_PushButton", "ug_obs_UPushButton", mf_structure_view | mf_panel_view | mf_hidden},
      {34, "Z-Filter obsolete", "CUG", "ug_switch", mf_structure_view},
      {35, "Panel Group", "CPanelBox2", nullptr, mf_panel_view},
      {36, "X-Mix", "CUG", "ug_cross_fade", mf_structure_view},
      {37, "Pan", "CUG", "ug_pan", mf_structure_view},
      {38, "Switch (1->Many)", "CSwitch", "ug_switch", mf_structure_view},
      {39, "Switch (Many->1)", "CSwitch", "ug_switch2", mf_structure_view},
      {40, "VST Plugin", "Ctl_VST_Plugin", "ug_vst_plugin", mf_structure_view | mf_hidden},
      {41, "Peak Follower", "CUG", "ug_peak_det", mf_structure_view},
      {42, "Line", "CUG", nullptr, mf_structure_view | mf_hidden},
      {43, "Group", "CUG", nullptr, mf_panel_view | mf_hidden},
      {44, "Step Sequencer", "CStepSeq2", "ug_step_sequencer", mf_structure_view | mf_panel_view},
      {45, "obs1", "CLED", "ug_led", mf_hidden},
      {46, "Drum Sequencer", "CDrumSeq", "ug_step_sequencer", mf_structure_view | mf_panel_view},
      {47, "WaveShaper", "Ctl_WaveShape", "ug_wave_shaper", mf_structure_view | mf_panel_view},
      {48, "Moog Filter", "CUG", "ug_filter_biquad", mf_structure_view},
      {49, "LED Indicator", "Ctl_LED", "ug_led", mf_structure_view | mf_panel_view},
      {50, "8 Stage Env", "CUG", "ug_8_stage", mf_structure_view, 32823, 32820},
      {51, "Rectifier", "CUG", "ug_rectifier", mf_structure_view},
      {52, "AND Gate", "CUG", "ug_logic_AND", mf_structure_view},
      {53, "OR Gate", "CUG", "ug_logic_OR", mf_structure_view},
      {54, "XOR Gate", "CUG", "ug_logic_XOR", mf_structure_view},
      {55, "NAND Gate", "CUG", "ug_logic_NAND", mf_structure_view},
      {56, "NOT Gate", "CUG", "ug_logic_not", mf_structure_view},
      {57, "NOR Gate", "CUG", "ug_logic_NOR", mf_structure_view},
      {58, "1 Pole LP", "CUG", "ug_filter_1pole", mf_structure_view},
      {59, "Freq Response Test", "Ctl_FreqResp", "UFreqResp", mf_structure_view},
      {60, "Peak Meter", "Ctl_PeakMeter", "ug_peak_meter", mf_structure_view | mf_panel_view},
      {61, "Ring Modulator", "CUG", "ug_multiplier", mf_structure_view},
      {62, "Fixed Values", "CUG", "ug_fixed_values", mf_structure_view},
      {63, "Scope", "Ctl_Scope", "ug_scope", mf_structure_view | mf_panel_view},
      {64, "KeyBoard", "Ctl_Keyboard2", "ug_midi_keyboard", mf_structure_view | mf_panel_view},
      {65, "Sample and Hold", "CUG", "ug_sample_hold", mf_structure_view},
      {66, "Phaser", "CUG", "ug_inverter", mf_structure_view},
      {67, "All Pass", "CUG", "ug_filter_allpass", mf_structure_view},
      {68, "Freq Analyser", "Ctl_FreqAn", "ug_freq_anal", mf_structure_view | mf_panel_view},
      {69, "UConverter_SB", "CUG", "ug_inverter", mf_hidden},
      {70, "UConverter_BS", "CUG", "ug_inverter", mf_hidden},
      {71, "Float Adder", "CUG", "ug_adder", mf_hidden},
      {72, "UConverter_SB_Midi", "CUG", "ug_inverter", mf_hidden},
      {73, "UConverter_BS_Midi", "CUG", "ug_inverter", mf_hidden},
      {74, "MIDI Adder2", "CUG", "ug_adder_midi", mf_hidden},
      {75, "Tester", "CUG", "ug_inverter", mf_structure_view},
      {76, "WaveShaper2", "Ctl_WaveShape2", "ug_wave_shaper", mf_structure_view | mf_panel_view},
      {77, "MIDI Monitor", "Ctl_tty", "ug_midi_monitor", mf_structure_view | mf_panel_view},
      {78, "GenProg", "Ctl_GenProg", "ug_genprog", mf_structure_view},
      {79, "GenProg Trigger", "CUG", "ug_genprog_trigger", mf_structure_view},
      {80, "1 KHz Tone", "CUG", "ug_test_tone", mf_structure_view},
      {81, "MIDI Recorder", "CUG", "ug_midi_recorder", mf_structure_view},
      {82, "Binary Counter", "CUG", "ug_logic_Bin_Count", mf_structure_view},
      {83, "Decade Counter", "CUG", "ug_logic_decade", mf_structure_view},
      {84, "Trigger to MIDI", "CUG", "ug_cv_midi", mf_structure_view},
      {85, "Shift Register", "CUG", "ug_logic_shift", mf_structure_view},
      {86, "Soundfont Player", "Ctl_SamplePlay2", "ug_sample_player2", mf_structure_view | mf_panel_view | mf_voice_source},
      {87, "Phase Dist Osc", "CUG", "ug_oscillator_pd", mf_structure_view, 32822, 32820},
      {88, nullptr, nullptr, nullptr, 0},
      {89, "Monostable", "CUG", "ug_monostable", mf_structure_view},
      {90, "MIDI Automator", "CMidiAutomator", "ug_midi_automator", mf_midi_automator | mf_structure_view},
      {91, "MIDI Automator Output", "CUG", "ug_midi_automator_out", mf_hidden},
      {92, "MIDI Filter", "CUG", "ug_midi_filter", mf_structure_view},
      {93, "Step Counter", "CUG", "ug_logic_counter", mf_structure_view},
      {94, "VST Input", "CUG", "ug_vst_in", mf_hidden},
      {95, "VST Output", "CUG", "ug_vst_out", mf_hidden},
      {96, "Multistage Env", "Ctl_Env_Edit", "ug_envelope_ms", mf_structure_view | mf_panel_view},
      {97, "Tabbed Box", "CTabBox", nullptr, mf_panel_view},
      {98, "Comparator", "CUG", "ug_comparator", mf_structure_view},
      {99, "Voltage To List", "CUG", "ug_voltage_to_enum", mf_structure_view},
      {100, "Volt Meter", "Ctl_VoltMeter", "ug_volt_meter", mf_structure_view | mf_panel_view},
      {101, "1 Pole HP", "CUG", "ug_filter_1pole_hp", mf_structure_view},
      {102, "Sub Panel", "CPortal", nullptr, mf_panel_view},
      {103, "Quantiser", "CUG", "ug_quantiser", mf_structure_view},
      {104, "Denormal Cleaner", "CUG", "ug_denormal_stop", mf_structure_view},
      {105, "Denormal Detector", "CUG", "ug_denormal_detect", mf_structure_view},
      {106, "Multiply", "CUG", "ug_math_mult", mf_structure_view},
      {107, "Divide", "CUG", "ug_math_div", mf_structure_view},
      {108, "Subtract", "CUG", "ug_math_sub", mf_structure_view},
      {109, "Parametric EQ", "CUG", "ug_filter_eq_parametric", mf_structure_view},
      {110, "OS Command", "CUG", "ug_system_command", mf_structure_view},
      {111, "Floor", "CUG", "ug_math_floor", mf_structure_view},
      {112, "Ceil", "CUG", "ug_math_ceil", mf_structure_view},
      // Types that register themselves (numbers past the table, or none).
      {0, "Oscillator", "CUG", "ug_oscillator2", mf_structure_view, 32819, 32820},
      {113, "Plugin", "CUG", "ug_plugin", mf_structure_view},
      {114, "Soundfont Oscillator", "Cosc_sf", "ug_osc_sf", mf_structure_view | mf_panel_view, 0, 32820},
      {115, "Sound Out", "CUG", "ug_soundcard_out", mf_structure_view},
      {116, "Sound In", "CUG", "ug_soundcard_in", mf_structure_view},
      {117, "Delay2", "CUG", "ug_delay2", mf_structure_view},
      {118, "Voice Combiner", "CUG", "ug_voice_combiner", mf_structure_view},
      {120, "Control Group", "control_group_ob", nullptr, mf_panel_view | mf_hidden},
      {121, "Control Plugs", "CControlPlugs", "ug_control_plugs", mf_structure_view},
      {122, "Wave Player", "CUG", "ug_wave_player", mf_structure_view},
      {123, "Wave Recorder", "CUG", "ug_wave_recorder", mf_structure_view},
      {124, "Feedback Delay", "CFeedbackDelay", "ug_feedback_delay", mf_structure_view},
      {125, "Step Counter2", "CUG", "ug_logic_counter2", mf_structure_view},
      {-1, "Image", "control_ob_bitmap", nullptr, mf_structure_view | mf_panel_view},
      {-1, "Joystick Image", "control_ob_bitmap_joystick", nullptr, mf_structure_view | mf_panel_view},
      {-1, "Tinted Image", "control_ob_bitmap_tinted", nullptr, mf_structure_view | mf_panel_view},
      {-1, "Patch Parameter - Voltage", "ui_param_float_in", "ug_param_float_in", mf_structure_view},
      {-1, "Patch Parameter - Level Out", "ui_param_float_out", "ug_param_float_out", mf_structure_view},
      {-1, "Scaler", "ui_scaler", nullptr, mf_structure_view},
      {-1, "Spring", "ui_spring", nullptr, mf_structure_view},
  };
  return table;
}

namespace {
struct Family {
  const char* name;
  void (*add)(UnitGeneratorCatalogue&);
};

// The engine's own: containers and their IO modules.
void RegisterContainers(UnitGeneratorCatalogue& c) {
  c.Add<ug_container>("ug_container");
  c.Add<ug_io_mod>("ug_io_mod");
}

// Each family adds its unit generators from the one function at the end of its family file.
const std::vector<Family>& Families() {
  static const std::vector<Family> families = {
      {"Containers", RegisterContainers},
      {"Oscillators", RegisterOscillators},
      {"Filters", RegisterFilters},
      {"Amplifiers", RegisterAmplifiers},
      {"Host Input and Output", RegisterHostIo},
      {"Controls", RegisterControls},
      {"MIDI", RegisterMidi},
      {"Envelopes", RegisterEnvelopes},
      {"Logic and Math", RegisterLogic},
  };
  return families;
}
}  // namespace

const UnitGeneratorCatalogue& BuiltinUnitGenerators() {
  static const UnitGeneratorCatalogue catalogue = [] {
    UnitGeneratorCatalogue c;
    for (const Family& f : Families()) f.add(c);
    return c;
  }();
  return catalogue;
}

const std::vector<const char*>& UnitGeneratorFamilies() {
  static const std::vector<const char*> names = [] {
    std::vector<const char*> out;
    for (const Family& f : Families()) out.push_back(f.name);
    return out;
  }();
  return names;
}

const char* UnitGeneratorFamily(std::string_view ug_class) {
  // One catalogue per family, made once, answers which of them adds the class.
  static const std::vector<UnitGeneratorCatalogue> per_family = [] {
    std::vector<UnitGeneratorCatalogue> out(Families().size());
    for (std::size_t i = 0; i < out.size(); ++i) Families()[i].add(out[i]);
    return out;
  }();
  for (std::size_t i = 0; i < per_family.size(); ++i)
    if (per_family[i].Find(ug_class)) return Families()[i].name;
  return nullptr;
}

namespace {
// "Control Plugs" has no unit generator yet; its document object supplies the actual plugs
// and needs this one nameless output declaration to start from.
void ListControlPlugsInterface(DeclarationList& out) {
  out.emplace_back(nullptr, dt_volts, nullptr, DR_OUT, "", "", "", "", 0x144);
}
}  // namespace

void RegisterBuiltinModules(ModuleRegistry& registry) {
  const UnitGeneratorCatalogue& unit_generators = BuiltinUnitGenerators();
  for (const BuiltinModule& m : BuiltinModuleTable()) {
    auto* info = new Module_Info(m.id ? m.id : "", m.doc_class,
                                 m.ug_class ? unit_generators.Find(m.ug_class) : nullptr, m.flags,
                                 m.number, m.name_string_id, m.group_string_id);
    if (m.ug_class) info->ug_class = m.ug_class;
    if (!info->hasUnitGenerator() && info->GetId() == "Control Plugs")
      ListControlPlugsInterface(info->declarations);
    registry.RegisterModule(info);
  }
}

}  // namespace kv
