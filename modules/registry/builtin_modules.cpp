#include "modules/oscillators/oscillator.h"
#include "modules/oscillators/phase_dist_oscillator.h"
#include "modules/oscillators/test_tone.h"
#include "engine/ug_adder.h"
#include "modules/amplifiers/multiplier.h"
#include "modules/amplifiers/pan.h"
#include "modules/amplifiers/vca.h"
#include "modules/amplifiers/voice_combiner.h"
#include "modules/envelopes/adsr.h"
#include "modules/envelopes/eight_stage_envelope.h"
#include "modules/envelopes/multistage_envelope.h"
#include "modules/filters/allpass_filter.h"
#include "modules/filters/moog_filter.h"
#include "modules/filters/one_pole_filter.h"
#include "modules/filters/parametric_eq.h"
#include "modules/filters/state_variable_filter.h"
#include "modules/io/vst_input.h"
#include "modules/io/vst_output.h"
#include "engine/ug_container.h"
#include "engine/ug_io_mod.h"
#include "modules/controls/level_out.h"
#include "modules/controls/list_entry.h"
#include "modules/controls/patch_select.h"
#include "modules/controls/slider.h"
#include "modules/controls/switches.h"
#include "modules/midi/cv_midi.h"
#include "modules/midi/midi_automator.h"
#include "modules/midi/midi_controllers.h"
#include "modules/midi/midi_filter.h"
#include "modules/midi/midi_in_out.h"
#include "modules/midi/midi_keyboard.h"
#include "modules/midi/midi_monitor.h"
#include "modules/midi/midi_to_cv.h"
#include "modules/registry/builtin_modules.h"

#include <cstring>

#include "document/model/container.h"
#include "document/model/control.h"
#include "document/model/env_edit_control.h"
#include "document/model/panel_controls.h"
#include "document/model/small_modules.h"
#include "modules/registry/container_declarations.h"
#include "modules/registry/module_registry.h"

namespace kv {

const std::vector<BuiltinModule>& BuiltinModuleTable() {
  static const std::vector<BuiltinModule> table = {
      {1, "Audio Out", "CUG", "ug_wave_out", 0x108},
      {2, "ADSR", "CUG", "ug_adsr", 0x100},
      {3, "Container", "CContainer", "ug_container", 0x103},
      {4, "IO Mod", "CUG", "ug_io_mod", 0x106},
      {5, "Slider", "Ctl_Slider", "ug_slider", 0x180},
      {6, "Text Entry", "Ctl_Text", "ug_text_entry", 0x180},
      {7, "List Entry", "Ctl_Combo", "ug_combobox", 0x180},
      {8, "MIDI Player", "CUG", "ug_midi_player", 0x100},
      {9, "Midi to CV", "CUG", "ug_midi_to_cv", 0x120},
      {10, nullptr, nullptr, nullptr, 0},
      {11, "Level Adj", "CUG", "ug_multiplier", 0x100},
      {12, "SV Filter", "CUG", "ug_filter_sv", 0x100},
      {13, "VCA", "CUG", "ug_vca", 0x100},
      {14, "Drum Trigger", "CUG", "ug_drum_trigger", 0x120},
      {15, "Patch Select", "Ctl_PatchSel", "ug_patch_sel", 0x100},
      {16, "MIDI In", "CUG", "ug_midi_in", 0x100},
      {17, "Delay", "CUG", "ug_delay", 0x100},
      {18, "MIDI Adder(obsolete)", "CUG", "ug_adder_midi", 0x008},
      {19, "Clipper", "CUG", "ug_clipper", 0x100},
      {20, "Monitor", "Ctl_tty", "ug_monitor", 0x180},
      {21, "Filter2 obsolete", "CUG", "ug_filter_biquad", 0x100},
      {22, "Thrasher", "CUG", "UThrasher", 0x100},
      {23, "Switch", "CUG", "ug_obs_USwitch_v1", 0x108},
      {24, "Switch2", "CUG", "ug_obs_USwitch2_v1", 0x108},
      {25, "Filter obs", "CUG", "ug_filter_biquad", 0x108},
      {26, "Inverter", "CUG", "ug_inverter", 0x100},
      {27, "Sample Player obsolete", "CUG", "ug_sample_player", 0x128},
      {28, "Notesource", "CUG", "ug_notesource", 0x008},
      {29, "Audio In", "CUG", "ug_wave_in", 0x108},
      {30, "MIDI Out", "CUG", "ug_midi_out", 0x100},
      {31, "Controllers", "CUG", "ug_midi_controllers", 0x100},
      {32, "VoiceMonitor", "CUG", "ug_voice_monitor", 0x108},
      {33, "Button", "Ctl_PushButton", "ug_obs_UPushButton", 0x188},
      {34, "Z-Filter obsolete", "CUG", "ug_switch", 0x100},
      {35, "Panel Group", "CPanelBox2", nullptr, 0x080},
      {36, "X-Mix", "CUG", "ug_cross_fade", 0x100},
      {37, "Pan", "CUG", "ug_pan", 0x100},
      {38, "Switch (1->Many)", "CSwitch", "ug_switch", 0x100},
      {39, "Switch (Many->1)", "CSwitch", "ug_switch2", 0x100},
      {40, "VST Plugin", "Ctl_VST_Plugin", "ug_vst_plugin", 0x108},
      {41, "Peak Follower", "CUG", "ug_peak_det", 0x100},
      {42, "Line", "CUG", nullptr, 0x108},
      {43, "Group", "CUG", nullptr, 0x088},
      {44, "Step Sequencer", "CStepSeq2", "ug_step_sequencer", 0x180},
      {45, "obs1", "CLED", "ug_led", 0x008},
      {46, "Drum Sequencer", "CDrumSeq", "ug_step_sequencer", 0x180},
      {47, "WaveShaper", "Ctl_WaveShape", "ug_wave_shaper", 0x180},
      {48, "Moog Filter", "CUG", "ug_filter_biquad", 0x100},
      {49, "LED Indicator", "Ctl_LED", "ug_led", 0x180},
      {50, "8 Stage Env", "CUG", "ug_8_stage", 0x100},
      {51, "Rectifier", "CUG", "ug_rectifier", 0x100},
      {52, "AND Gate", "CUG", "ug_logic_AND", 0x100},
      {53, "OR Gate", "CUG", "ug_logic_OR", 0x100},
      {54, "XOR Gate", "CUG", "ug_logic_XOR", 0x100},
      {55, "NAND Gate", "CUG", "ug_logic_NAND", 0x100},
      {56, "NOT Gate", "CUG", "ug_logic_not", 0x100},
      {57, "NOR Gate", "CUG", "ug_logic_NOR", 0x100},
      {58, "1 Pole LP", "CUG", "ug_filter_1pole", 0x100},
      {59, "Freq Response Test", "Ctl_FreqResp", "UFreqResp", 0x100},
      {60, "Peak Meter", "Ctl_PeakMeter", "ug_peak_meter", 0x180},
      {61, "Ring Modulator", "CUG", "ug_multiplier", 0x100},
      {62, "Fixed Values", "CUG", "ug_fixed_values", 0x100},
      {63, "Scope", "Ctl_Scope", "ug_scope", 0x180},
      {64, "KeyBoard", "Ctl_Keyboard2", "ug_midi_keyboard", 0x180},
      {65, "Sample and Hold", "CUG", "ug_sample_hold", 0x100},
      {66, "Phaser", "CUG", "ug_inverter", 0x100},
      {67, "All Pass", "CUG", "ug_filter_allpass", 0x100},
      {68, "Freq Analyser", "Ctl_FreqAn", "ug_freq_anal", 0x180},
      {69, "UConverter_SB", "CUG", "ug_inverter", 0x008},
      {70, "UConverter_BS", "CUG", "ug_inverter", 0x008},
      {71, "Float Adder", "CUG", "ug_adder", 0x008},
      {72, "UConverter_SB_Midi", "CUG", "ug_inverter", 0x008},
      {73, "UConverter_BS_Midi", "CUG", "ug_inverter", 0x008},
      {74, "MIDI Adder2", "CUG", "ug_adder_midi", 0x008},
      {75, "Tester", "CUG", "ug_inverter", 0x100},
      {76, "WaveShaper2", "Ctl_WaveShape2", "ug_wave_shaper", 0x180},
      {77, "MIDI Monitor", "Ctl_tty", "ug_midi_monitor", 0x180},
      {78, "GenProg", "Ctl_GenProg", "ug_genprog", 0x100},
      {79, "GenProg Trigger", "CUG", "ug_genprog_trigger", 0x100},
      {80, "1 KHz Tone", "CUG", "ug_test_tone", 0x100},
      {81, "MIDI Recorder", "CUG", "ug_midi_recorder", 0x100},
      {82, "Binary Counter", "CUG", "ug_logic_Bin_Count", 0x100},
      {83, "Decade Counter", "CUG", "ug_logic_decade", 0x100},
      {84, "Trigger to MIDI", "CUG", "ug_cv_midi", 0x100},
      {85, "Shift Register", "CUG", "ug_logic_shift", 0x100},
      {86, "Soundfont Player", "Ctl_SamplePlay2", "ug_sample_player2", 0x1a0},
      {87, "Phase Dist Osc", "CUG", "ug_oscillator_pd", 0x100},
      {88, nullptr, nullptr, nullptr, 0},
      {89, "Monostable", "CUG", "ug_monostable", 0x100},
      {90, "MIDI Automator", "CMidiAutomator", "ug_midi_automator", 0x500},
      {91, "MIDI Automator Output", "CUG", "ug_midi_automator_out", 0x008},
      {92, "MIDI Filter", "CUG", "ug_midi_filter", 0x100},
      {93, "Step Counter", "CUG", "ug_logic_counter", 0x100},
      {94, "VST Input", "CUG", "ug_vst_in", 0x008},
      {95, "VST Output", "CUG", "ug_vst_out", 0x008},
      {96, "Multistage Env", "Ctl_Env_Edit", "ug_envelope_ms", 0x180},
      {97, "Tabbed Box", "CTabBox", nullptr, 0x080},
      {98, "Comparator", "CUG", "ug_comparator", 0x100},
      {99, "Voltage To List", "CUG", "ug_voltage_to_enum", 0x100},
      {100, "Volt Meter", "Ctl_VoltMeter", "ug_volt_meter", 0x180},
      {101, "1 Pole HP", "CUG", "ug_filter_1pole_hp", 0x100},
      {102, "Sub Panel", "CPortal", nullptr, 0x080},
      {103, "Quantiser", "CUG", "ug_quantiser", 0x100},
      {104, "Denormal Cleaner", "CUG", "ug_denormal_stop", 0x100},
      {105, "Denormal Detector", "CUG", "ug_denormal_detect", 0x100},
      {106, "Multiply", "CUG", "ug_math_mult", 0x100},
      {107, "Divide", "CUG", "ug_math_div", 0x100},
      {108, "Subtract", "CUG", "ug_math_sub", 0x100},
      {109, "Parametric EQ", "CUG", "ug_filter_eq_parametric", 0x100},
      {110, "OS Command", "CUG", "ug_system_command", 0x100},
      {111, "Floor", "CUG", "ug_math_floor", 0x100},
      {112, "Ceil", "CUG", "ug_math_ceil", 0x100},
      // Types that register themselves.
      {0, "Oscillator", "CUG", "ug_oscillator2", 0x100},
      {113, "Plugin", "CUG", "ug_plugin", 0x100},
      {114, "Soundfont Oscillator", "Cosc_sf", "ug_osc_sf", 0x180},
      {115, "Sound Out", "CUG", "ug_soundcard_out", 0x100},
      {116, "Sound In", "CUG", "ug_soundcard_in", 0x100},
      {117, "Delay2", "CUG", "ug_delay2", 0x100},
      {118, "Voice Combiner", "CUG", "ug_voice_combiner", 0x100},
      {120, "Control Group", "control_group_ob", nullptr, 0x088},
      {121, "Control Plugs", "CControlPlugs", "ug_control_plugs", 0x100},
      {122, "Wave Player", "CUG", "ug_wave_player", 0x100},
      {123, "Wave Recorder", "CUG", "ug_wave_recorder", 0x100},
      {124, "Feedback Delay", "CFeedbackDelay", "ug_feedback_delay", 0x100},
      {125, "Step Counter2", "CUG", "ug_logic_counter2", 0x100},
      {-1, "Image", "control_ob_bitmap", nullptr, 0x180},
      {-1, "Joystick Image", "control_ob_bitmap_joystick", nullptr, 0x180},
      {-1, "Tinted Image", "control_ob_bitmap_tinted", nullptr, 0x180},
      {-1, "Patch Parameter - Voltage", "ui_param_float_in", "ug_param_float_in", 0x100},
      {-1, "Patch Parameter - Level Out", "ui_param_float_out", "ug_param_float_out", 0x100},
      {-1, "Scaler", "ui_scaler", nullptr, 0x100},
      {-1, "Spring", "ui_spring", nullptr, 0x100},
  };
  return table;
}

namespace {
CDocOb* makeContainer(Module_Info* info) {
  auto* c = new CContainer(info);
  c->findIOModule();  // a container made from its type always has its IO module
  return c;
}
template <typename T>
CDocOb* make(Module_Info* info) {
  return new T(info);
}

struct DocFactoryEntry {
  const char* name;
  DocFactory factory;
};
const DocFactoryEntry kDocFactories[] = {
    {"CUG", &make<CUG>},
    {"CSwitch", &make<CSwitch>},
    {"CContainer", &makeContainer},
    {"CControlPlugs", &make<CControlPlugs>},
    {"CFeedbackDelay", &make<CFeedbackDelay>},
    {"CLED", &make<CLED>},
    {"CPortal", &make<CPortal>},
    {"Ctl_Slider", &make<Ctl_Slider>},
    {"Ctl_PushButton", &make<Ctl_PushButton>},
    {"Ctl_LED", &make<Ctl_LED>},
    {"Ctl_Combo", &make<Ctl_Combo>},
    {"Ctl_Text", &make<Ctl_Text>},
    {"Ctl_Env_Edit", &make<Ctl_Env_Edit>},
    {"Ctl_PatchSel", &make<Ctl_PatchSel>},
    {"ui_param_float_in", &make<ui_param_float_in>},
    {"ui_param_float_out", &make<ui_param_float_out>},
    {"ui_scaler", &make<ui_scaler>},
    {"ui_spring", &make<ui_spring>},
    {"control_group_ob", &make<control_group_ob>},
};

struct UgFactoryEntry {
  const char* name;
  UgFactory factory;
};
// Unit generators by class name; each module family adds its own.
template <class Ug>
ug_base* makeUg() {
  return new Ug;
}

const UgFactoryEntry kUgFactories[] = {
    // Oscillators.
    {"ug_oscillator2", &makeUg<ug_oscillator2>},
    {"ug_oscillator_pd", &makeUg<ug_oscillator_pd>},
    {"ug_test_tone", &makeUg<ug_test_tone>},
    // Filters.
    {"ug_filter_sv", &makeUg<ug_filter_sv>},
    {"ug_filter_biquad", &makeUg<ug_filter_biquad>},
    {"ug_filter_1pole", &makeUg<ug_filter_1pole>},
    {"ug_filter_1pole_hp", &makeUg<ug_filter_1pole_hp>},
    {"ug_filter_allpass", &makeUg<ug_filter_allpass>},
    {"ug_filter_eq_parametric", &makeUg<ug_filter_eq_parametric>},
    // Amplifiers, mixers, panning and summing.
    {"ug_vca", &makeUg<ug_vca>},
    {"ug_pan", &makeUg<ug_pan>},
    {"ug_cross_fade", &makeUg<ug_cross_fade>},
    {"ug_multiplier", &makeUg<ug_multiplier>},
    {"ug_adder", &makeUg<ug_adder>},
    {"ug_voice_combiner", &makeUg<ug_voice_combiner>},
    // Containers and their IO modules.
    {"ug_container", &makeUg<ug_container>},
    {"ug_io_mod", &makeUg<ug_io_mod>},
    // The host's audio and MIDI.
    {"ug_vst_in", &makeUg<ug_vst_in>},
    {"ug_vst_out", &makeUg<ug_vst_out>},
    // Panel controls and patch memories.
    {"ug_slider", &makeUg<ug_slider>},
    {"ug_combobox", &makeUg<ug_combobox>},
    {"ug_text_entry", &makeUg<ug_text_entry>},
    {"ug_param_float_in", &makeUg<ug_param_float_in>},
    {"ug_patch_sel", &makeUg<ug_patch_sel>},
    {"ug_switch", &makeUg<ug_switch>},
    {"ug_switch2", &makeUg<ug_switch2>},
    {"ug_voltage_to_enum", &makeUg<ug_voltage_to_enum>},
    {"ug_fixed_values", &makeUg<ug_fixed_values>},
    {"ug_param_float_out", &makeUg<ug_param_float_out>},
    // MIDI.
    {"ug_midi_to_cv", &makeUg<ug_midi_to_cv>},
    {"ug_midi_in", &makeUg<ug_midi_in>},
    {"ug_midi_out", &makeUg<ug_midi_out>},
    {"ug_midi_filter", &makeUg<ug_midi_filter>},
    {"ug_adder_midi", &makeUg<ug_adder_midi>},
    {"ug_midi_controllers", &makeUg<ug_midi_controllers>},
    {"ug_midi_automator", &makeUg<ug_midi_automator>},
    {"ug_midi_automator_out", &makeUg<ug_midi_automator_out>},
    {"ug_midi_monitor", &makeUg<ug_midi_monitor>},
    {"ug_midi_keyboard", &makeUg<ug_midi_keyboard>},
    {"ug_cv_midi", &makeUg<ug_cv_midi>},
    // Envelopes.
    {"ug_adsr", &makeUg<ug_adsr>},
    {"ug_8_stage", &makeUg<ug_8_stage>},
    {"ug_envelope_ms", &makeUg<ug_envelope_ms>},
};

// Declarations the document needs before the unit generators exist.
void (*declarationsFor(const char* id))(DeclarationList&) {
  if (!std::strcmp(id, "Container")) return [](DeclarationList& d) { ListContainerInterface(d); };
  if (!std::strcmp(id, "IO Mod")) return &ListIoModInterface;
  if (!std::strcmp(id, "Control Plugs")) return &ListControlPlugsInterface;
  return nullptr;
}
}  // namespace

DocFactory BuiltinDocFactory(const char* docClass) {
  if (!docClass) return nullptr;
  for (const DocFactoryEntry& e : kDocFactories)
    if (!std::strcmp(e.name, docClass)) return e.factory;
  return nullptr;
}

UgFactory BuiltinUgFactory(const char* ugClass) {
  if (!ugClass) return nullptr;
  for (const UgFactoryEntry& e : kUgFactories)
    if (e.factory && !std::strcmp(e.name, ugClass)) return e.factory;
  return nullptr;
}

void RegisterBuiltinModules(ModuleRegistry& registry) {
  for (const BuiltinModule& m : BuiltinModuleTable()) {
    const char* id = m.id ? m.id : "";
    auto* info = new Module_Info(id, BuiltinDocFactory(m.doc_class), BuiltinUgFactory(m.ug_class),
                                 m.flags, m.number);
    if (!std::strcmp(id, "Oscillator")) {
      info->name_string_id = 32819;
      info->group_string_id = 32820;
    } else if (!std::strcmp(id, "ADSR")) {
      info->name_string_id = 32821;
      info->group_string_id = 32820;
    } else if (!std::strcmp(id, "Phase Dist Osc")) {
      info->name_string_id = 32822;
      info->group_string_id = 32820;
    } else if (!std::strcmp(id, "8 Stage Env")) {
      info->name_string_id = 32823;
      info->group_string_id = 32820;
    } else if (!std::strcmp(id, "Soundfont Oscillator")) {
      info->group_string_id = 32820;
    }
    if (!info->ug_factory)
      if (auto fill = declarationsFor(id)) fill(info->declarations);
    registry.RegisterModule(info);
  }
}

}  // namespace kv
