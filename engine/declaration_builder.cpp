#include "engine/declaration_builder.h"

#include <utility>

namespace kv {

DeclarationBuilder::DeclarationBuilder(int32_t datatype, int32_t direction, std::string name,
                                       void* io_variable, float** buffer_target)
    : datatype_(datatype),
      direction_(direction),
      name_(std::move(name)),
      io_variable_(io_variable),
      buffer_target_(buffer_target) {}

DeclarationBuilder& DeclarationBuilder::Default(std::string text) {
  default_value_ = std::move(text);
  return *this;
}

DeclarationBuilder& DeclarationBuilder::Choices(std::string text) {
  choices_ = std::move(text);
  return *this;
}

DeclarationBuilder& DeclarationBuilder::Help(std::string text) {
  help_ = std::move(text);
  return *this;
}

DeclarationBuilder& DeclarationBuilder::Flags(uint32_t flags) {
  flags_ |= flags;
  return *this;
}

DeclarationBuilder::operator InterfaceObject() const {
  return InterfaceObject(io_variable_, datatype_, buffer_target_, direction_, help_, name_,
                         default_value_, choices_, flags_);
}

DeclarationBuilder VoltsIn(float** samples, std::string name) {
  return {dt_volts, DR_IN, std::move(name), nullptr, samples};
}

DeclarationBuilder VoltsOut(float** samples, std::string name) {
  return {dt_volts, DR_OUT, std::move(name), nullptr, samples};
}

DeclarationBuilder ContainerIo(std::string name) {
  return {dt_volts, DR_CONTAINER_IO, std::move(name), nullptr, nullptr};
}

DeclarationBuilder CollectorIn(int32_t datatype, void* collector, std::string name) {
  return DeclarationBuilder(datatype, DR_IN, std::move(name), collector, nullptr)
      .Flags(kDeclCollector);
}

DeclarationBuilder EnumIn(int16_t* value, std::string name, std::string choices) {
  return DeclarationBuilder(dt_enum, DR_IN, std::move(name), value, nullptr)
      .Choices(std::move(choices));
}

DeclarationBuilder EnumOut(int16_t* value, std::string name) {
  return {dt_enum, DR_OUT, std::move(name), value, nullptr};
}

DeclarationBuilder EnumParameter(int16_t* value, std::string name, std::string choices) {
  return DeclarationBuilder(dt_enum, DR_PARAMETER, std::move(name), value, nullptr)
      .Choices(std::move(choices));
}

DeclarationBuilder BoolParameter(uint8_t* value, std::string name) {
  return {dt_bool, DR_PARAMETER, std::move(name), value, nullptr};
}

DeclarationBuilder FloatIn(float* value, std::string name) {
  return {dt_float, DR_IN, std::move(name), value, nullptr};
}

DeclarationBuilder FloatOut(float* value, std::string name) {
  return {dt_float, DR_OUT, std::move(name), value, nullptr};
}

DeclarationBuilder FloatParameter(float* value, std::string name) {
  return {dt_float, DR_PARAMETER, std::move(name), value, nullptr};
}

DeclarationBuilder DoubleParameter(double* value, std::string name) {
  return {dt_double, DR_PARAMETER, std::move(name), value, nullptr};
}

DeclarationBuilder TextIn(TextValue* value, std::string name) {
  return {dt_text, DR_IN, std::move(name), value, nullptr};
}

DeclarationBuilder TextOut(TextValue* value, std::string name) {
  return {dt_text, DR_OUT, std::move(name), value, nullptr};
}

DeclarationBuilder MidiIn(void* receiver, std::string name) {
  return {dt_midi, DR_IN, std::move(name), receiver, nullptr};
}

DeclarationBuilder MidiOut(void* sender, std::string name) {
  return {dt_midi, DR_OUT, std::move(name), sender, nullptr};
}

}  // namespace kv
