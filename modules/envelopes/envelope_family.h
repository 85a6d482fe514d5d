#pragma once
// The envelope family: ADSR, eight-stage and multistage (drawn) envelopes.
namespace kv {

class UnitGeneratorCatalogue;

// Adds the family's unit generators to the catalogue under their class names.
void RegisterEnvelopes(UnitGeneratorCatalogue& catalogue);

}  // namespace kv
