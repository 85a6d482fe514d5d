#pragma once
// The oscillator family: the oscillator, the phase distortion oscillator and the test tone.
namespace kv {

class UnitGeneratorCatalogue;

// Adds the family's unit generators to the catalogue under their class names.
void RegisterOscillators(UnitGeneratorCatalogue& catalogue);

}  // namespace kv
