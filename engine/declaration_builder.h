#pragma once
// Named helpers that write plug declarations, so that a ListInterface reads as a list of
// sentences:
//
//   list.push_back(VoltsIn(&pitch_in, "Pitch").Default("5").Help("1 Volt per Octave"));
//   list.push_back(EnumParameter(&freq_scale, "Freq Scale", kFreqScaleList).Default("0"));
//   list.push_back(VoltsOut(nullptr, "Spare Output").Default("0").Flags(kDeclSpare));
//
// Each helper fixes the plug's datatype and direction and binds the member that holds its
// value (for dt_volts: the float pointer that receives the sample pointer when the unit
// generator opens; null where the document supplies the plugs). Default, choices, help
// text and flags start empty and are set by name, in any order. The InterfaceObject is made
// when the builder is converted, after every flag is known, so the construction rule (an
// audio input unless declared otherwise) sees the final word.
#include <cstdint>
#include <string>

#include "engine/declaration_flags.h"
#include "engine/interface_object.h"

namespace kv {

class TextValue;

class DeclarationBuilder {
 public:
  DeclarationBuilder(int32_t datatype, int32_t direction, std::string name, void* io_variable,
                     float** buffer_target);

  // The default value as text ("5" volts, "1" for the second entry of a list).
  DeclarationBuilder& Default(std::string text);
  // A list's choices, a slider's range text, or a file name's extension.
  DeclarationBuilder& Choices(std::string text);
  // The help text shown for the plug.
  DeclarationBuilder& Help(std::string text);
  // Adds declaration flags (DeclFlags).
  DeclarationBuilder& Flags(uint32_t flags);

  operator InterfaceObject() const;

 private:
  int32_t datatype_;
  int32_t direction_;
  std::string name_;
  void* io_variable_;
  float** buffer_target_;
  std::string default_value_;
  std::string choices_;
  std::string help_;
  uint32_t flags_ = 0;
};

// Audio and control voltages (dt_volts).
DeclarationBuilder VoltsIn(float** samples, std::string name);
DeclarationBuilder VoltsOut(float** samples, std::string name);
// The spare of a container or IO module through which a plug pair across the container's
// boundary is made (dt_volts, DR_CONTAINER_IO).
DeclarationBuilder ContainerIo(std::string name);

// An input any number of sources may feed at once (kDeclCollector): the member is the
// collector object that hears of each source added or removed (a sum, a MIDI merge).
DeclarationBuilder CollectorIn(int32_t datatype, void* collector, std::string name);

// A choice from a list (dt_enum); the value is the chosen entry's number.
DeclarationBuilder EnumIn(int16_t* value, std::string name, std::string choices);
DeclarationBuilder EnumOut(int16_t* value, std::string name);
DeclarationBuilder EnumParameter(int16_t* value, std::string name, std::string choices);

// Settings and values of other datatypes.
DeclarationBuilder BoolParameter(uint8_t* value, std::string name);
DeclarationBuilder FloatIn(float* value, std::string name);
DeclarationBuilder FloatOut(float* value, std::string name);
DeclarationBuilder FloatParameter(float* value, std::string name);
DeclarationBuilder DoubleParameter(double* value, std::string name);
DeclarationBuilder TextIn(TextValue* value, std::string name);
DeclarationBuilder TextOut(TextValue* value, std::string name);

// MIDI streams (dt_midi): the member is the unit generator's MIDI receiver (an input, or a
// collector of inputs) or its sender.
DeclarationBuilder MidiIn(void* receiver, std::string name);
DeclarationBuilder MidiOut(void* sender, std::string name);

}  // namespace kv
