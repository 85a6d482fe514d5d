#include "modules/midi/midi_monitor.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "modules/midi/controller_names.h"

namespace kv {
namespace {

// "%3d" for every number, replaced by the list's label where the controller has a name;
// at most 20 characters.
struct ControllerLabels {
  std::array<std::array<char, 21>, 128> name{};
  ControllerLabels() {
    for (int n = 0; n < 128; ++n) {
      std::string label;
      if (n == 99) {
        label = "98/99 - NRPN";
      } else if (n == 101) {
        label = "100/101 - RPN";
      } else if (!midi::ControllerName(n).empty()) {
        label = std::to_string(n) + " - " + std::string(midi::ControllerName(n));
      } else {
        char b[8];
        std::snprintf(b, sizeof b, "%3d", n);
        label = b;
      }
      label.resize(std::min<std::size_t>(label.size(), 20));
      std::memcpy(name[n].data(), label.c_str(), label.size() + 1);
    }
  }
};

const ControllerLabels& Labels() {
  static const ControllerLabels labels;
  return labels;
}

}  // namespace

ug_midi_monitor::ug_midi_monitor() {
  Labels();  // built here, never first on the audio thread
  SetProcessFunction(&ug_midi_monitor::sub_process_sleep);
}

void ug_midi_monitor::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(MidiIn(&midi_in, "MIDI In").Help("MIDI Input Plug"));
  list.push_back(EnumIn(&channel, "Channel", midi::kChannelList)
                     .Default("-1")
                     .Flags(kDeclAudioInput | kDeclReserved)
                     .Help("MIDI Channel"));
}

void ug_midi_monitor::Open() {
  ug_base::Open();
  Show("Sound ON\n");
}

void ug_midi_monitor::Show(const char* text) {
  Line l{};
  std::snprintf(l.text, sizeof l.text, "%s", text);
  lines_.Push(l);
  RequestDocumentRefresh();
}

bool ug_midi_monitor::TakeLine(std::string& line) {
  Line l;
  if (!lines_.Pop(l)) return false;
  line = l.text;
  return true;
}

void ug_midi_monitor::Process(int count) {
  while (!midi_in.empty()) {
    const MidiEvent m = midi_in.Pop();
    AddEvent(m.time, UET_MIDI, m.message);
  }
  ug_base::Process(count);
}

void ug_midi_monitor::HandleEvent(ug_event* e) {
  if (e->type != UET_MIDI) {
    ug_base::HandleEvent(e);
    return;
  }
  const int32_t message = e->arg1;
  const int status = message & 0xFF;
  if (status >= 0x80 && status < 0xF0 && channel >= 0 && (status & 0x0F) != channel) return;
  Line l;
  Format(message, l.text);
  Show(l.text);
}

void ug_midi_monitor::Format(int32_t message, char (&out)[kLineCapacity]) {
  int status = message & 0xFF;
  const int d1 = (message >> 8) & 0xFF;
  const int d2 = (message >> 16) & 0xFF;
  if ((status & 0xF0) == 0x90 && d2 == 0) status = 0x80 | (status & 0x0F);  // shown as a note-off
  char body[48];
  const int kind = status & 0xF0;
  switch (kind) {
    case 0x80: std::snprintf(body, sizeof body, "Note Off (%3d,%3d)", d1, d2); break;
    case 0x90: std::snprintf(body, sizeof body, "Note On  (%3d,%3d)", d1, d2); break;
    case 0xA0: std::snprintf(body, sizeof body, "Pattern (%d)", d1); break;
    case 0xB0:
      if (d1 >= 128)
        std::snprintf(body, sizeof body, "Cntlr: ILEGAL CNTRLR");
      else
        std::snprintf(body, sizeof body, "Cntlr: %s (%d)", Labels().name[d1].data(), d2);
      break;
    case 0xC0: std::snprintf(body, sizeof body, "Prg change (%3d)", d1 + 1); break;
    case 0xD0: std::snprintf(body, sizeof body, "Channel Pressure (%3d)", d1); break;
    case 0xE0: std::snprintf(body, sizeof body, "Bender (%3d)", d2 - 64); break;
    case 0xF0:
      switch (status) {
        case 0xF8: std::snprintf(body, sizeof body, "CLOCK"); break;
        case 0xFA: std::snprintf(body, sizeof body, "CLOCK - Start"); break;
        case 0xFB: std::snprintf(body, sizeof body, "CLOCK - Continue"); break;
        case 0xFC: std::snprintf(body, sizeof body, "CLOCK - Stop"); break;
        default: std::snprintf(body, sizeof body, "SYSTEM (%x)", static_cast<unsigned>(message)); break;
      }
      break;
    default:
      if (status == 0)
        std::snprintf(body, sizeof body, "Zeros bytes!");
      else
        std::snprintf(body, sizeof body, "Byte = %02x %02x %02x", status, d1, d2);
      break;
  }
  if (kind >= 0x80 && kind < 0xF0)
    std::snprintf(out, kLineCapacity, "C%2d %s\n", (status & 0x0F) + 1, body);
  else
    std::snprintf(out, kLineCapacity, "%s\n", body);
}

}  // namespace kv
