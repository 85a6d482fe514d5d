#include "modules/midi/controller_names.h"

#include <array>

namespace kv::midi {
namespace {

struct Named {
  int number;
  const char* name;
};

constexpr Named kNames[] = {
    {0, "Bank Select"},        {1, "Mod Wheel"},
    {2, "Breath"},             {4, "Foot pedal"},
    {5, "Portamento Time"},    {6, "Data Entry Slider"},
    {7, "Volume"},             {8, "Balance"},
    {10, "Pan"},               {11, "Expression"},
    {12, "Effect 1 Control"},  {13, "Effect 2 Control"},
    {16, "General Purpose Slider"}, {17, "General Purpose Slider"},
    {18, "General Purpose Slider"}, {19, "General Purpose Slider"},
    {33, "Mod Wheel LSB"},     {34, "Breath LSB"},
    {35, "LSB"},               {36, "Foot LSB"},
    {37, "Portamento Time LSB"}, {38, "Data Entry Slider LSB"},
    {39, "Volume LSB"},        {40, "Balance LSB"},
    {42, "Pan LSB"},           {43, "Expression LSB"},
    {44, "Effect 1 LSB"},      {45, "Effect 2 LSB"},
    {48, "General Purpose LSB"}, {49, "General Purpose LSB"},
    {50, "General Purpose LSB"}, {51, "General Purpose LSB"},
    {64, "Hold Pedal"},        {65, "Portamento"},
    {66, "Sustenuto"},         {67, "Soft pedal"},
    {68, "Legato"},            {69, "Hold 2 Pedal"},
    {70, "Sound Variation"},   {71, "Sound Timbre"},
    {72, "Release Time"},      {73, "Attack Time"},
    {74, "Sound Brightness"},  {75, "Sound Control"},
    {76, "Sound Control"},     {77, "Sound Control"},
    {78, "Sound Control"},     {79, "Sound Control"},
    {80, "General Purpose button"}, {81, "General Purpose button"},
    {82, "General Purpose button"}, {83, "General Purpose button"},
    {91, "Effects Level"},     {92, "Tremelo Level"},
    {93, "Chorus Level"},      {94, "Celeste level"},
    {95, "phaser level"},      {96, "Data button Increment"},
    {97, "data button decrement"}, {120, "All sound off"},
    {121, "All controllers off"}, {122, "local keybord on/off"},
    {123, "All notes off"},    {124, "Omni Off"},
    {125, "Omni on"},          {126, "Monophonic"},
    {127, "Polyphonic"},
};

std::array<const char*, 128> BuildNameTable() {
  std::array<const char*, 128> t{};
  for (auto& n : t) n = "";
  for (const Named& n : kNames) t[n.number] = n.name;
  return t;
}

}  // namespace

std::string_view ControllerName(int number) {
  static const std::array<const char*, 128> table = BuildNameTable();
  if (number < 0 || number > 127) return {};
  return table[number];
}

const std::string& ControllerChoiceList() {
  static const std::string list = [] {
    std::string s = "<none>=-1";
    for (int n = 0; n < 128; ++n) {
      if (n == 98 || n == 100) continue;
      s += ',';
      if (n == 99) {
        s += "98/99 - NRPN";
      } else if (n == 101) {
        s += "100/101 - RPN";
      } else {
        s += std::to_string(n);
        const std::string_view name = ControllerName(n);
        if (!name.empty()) {
          s += " - ";
          s += name;
        }
      }
      // Where the count would otherwise not meet the number (after a gap), the entry
      // names its value.
      if (n == 33 || n == 42 || n == 48 || n == 64 || n == 99 || n == 101 || n == 102) {
        s += '=';
        s += std::to_string(n);
      }
    }
    return s;
  }();
  return list;
}

}  // namespace kv::midi
