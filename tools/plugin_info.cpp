#include "tools/plugin_info.h"

#include <cstdio>
#include <string>

#include "hosting/vst_plugin.h"

namespace kv {

namespace {

std::string flagWords(int32_t flags) {
  struct Word {
    int32_t bit;
    const char* name;
  };
  static const Word words[] = {
      {vst::effFlagsHasEditor, "has-editor"},
      {vst::effFlagsHasClip, "has-clip"},
      {vst::effFlagsHasVu, "has-vu"},
      {vst::effFlagsCanMono, "can-mono"},
      {vst::effFlagsCanReplacing, "can-replace"},
      {vst::effFlagsProgramChunks, "program-chunks"},
      {vst::effFlagsIsSynth, "is-synth"},
      {vst::effFlagsNoSoundInStop, "no-sound-in-stop"},
      {vst::effFlagsExtIsAsync, "ext-is-async"},
      {vst::effFlagsExtHasBuffer, "ext-has-buffer"},
      {vst::effFlagsCanDoubleReplacing, "can-double-replace"},
  };
  char hex[32];
  std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(flags));
  std::string text = hex;
  int32_t rest = flags;
  for (const Word& w : words) {
    if (flags & w.bit) {
      text += ' ';
      text += w.name;
      rest &= ~w.bit;
    }
  }
  if (rest != 0) {
    std::snprintf(hex, sizeof hex, " other:0x%X", static_cast<unsigned>(rest));
    text += hex;
  }
  return text;
}

const char* categoryName(int32_t category) {
  static const char* const names[] = {"unknown",  "effect",     "synth",     "analysis",
                                      "mastering", "spacializer", "room-fx",  "surround-fx",
                                      "restoration", "offline-process", "shell", "generator"};
  if (category >= 0 && category < static_cast<int32_t>(sizeof names / sizeof names[0]))
    return names[category];
  return "other";
}

// Names that contain control characters are printed with them replaced.
std::string printable(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return text;
}

}  // namespace

void writePluginInfo(VstPlugin& plugin, std::ostream& out) {
  const int32_t id = plugin.uniqueId();
  const std::string idText = fourCharacterText(id);
  out << "file: " << plugin.path() << "\n";
  out << "name: " << printable(plugin.effectName()) << "\n";
  out << "vendor: " << printable(plugin.vendorString()) << "\n";
  out << "product: " << printable(plugin.productString()) << "\n";
  out << "unique id: " << id;
  if (!idText.empty()) out << " (" << idText << ")";
  out << "\n";
  out << "version: " << plugin.version() << " (vendor version " << plugin.vendorVersion() << ")\n";
  out << "vst version: " << plugin.vstVersion() << "\n";
  out << "category: " << categoryName(plugin.category()) << "\n";
  out << "flags: " << flagWords(plugin.flags()) << "\n";
  out << "inputs: " << plugin.numInputs() << "\n";
  out << "outputs: " << plugin.numOutputs() << "\n";
  out << "initial delay: " << plugin.initialDelay() << "\n";
  // The plug-in capability words a host usually asks about; those answered "yes".
  static const char* const words[] = {"sendVstEvents",   "sendVstMidiEvent", "sendVstTimeInfo",
                                      "receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo",
                                      "offline",          "noRealTime",        "bypass",
                                      "midiProgramNames"};
  out << "can do:";
  for (const char* word : words)
    if (plugin.canDo(word) == 1) out << " " << word;
  out << "\n";
  out << "programs: " << plugin.numPrograms() << "\n";
  for (int32_t p = 0; p < plugin.numPrograms(); ++p)
    out << "  " << p << ": " << printable(plugin.programName(p)) << "\n";
  out << "parameters: " << plugin.numParams() << "\n";
  for (int32_t i = 0; i < plugin.numParams(); ++i) {
    char value[32];
    std::snprintf(value, sizeof value, "%.6f", static_cast<double>(plugin.parameter(i)));
    out << "  " << i << ": " << printable(plugin.parameterName(i)) << " = "
        << printable(plugin.parameterDisplay(i));
    const std::string label = printable(plugin.parameterLabel(i));
    if (!label.empty()) out << " " << label;
    out << " (" << value << ")\n";
  }
}

}  // namespace kv
