#pragma once
// The amplifier family: amplifiers, panning, mixing and summing (the engine's Float Adder
// among them).
namespace kv {

class UnitGeneratorCatalogue;

// Adds the family's unit generators to the catalogue under their class names.
void RegisterAmplifiers(UnitGeneratorCatalogue& catalogue);

}  // namespace kv
