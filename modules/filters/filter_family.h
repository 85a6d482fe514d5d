#pragma once
// The filter family: state-variable, ladder (also the retired biquad types), one-pole, all-pass
// and parametric EQ.
namespace kv {

class UnitGeneratorCatalogue;

// Adds the family's unit generators to the catalogue under their class names.
void RegisterFilters(UnitGeneratorCatalogue& catalogue);

}  // namespace kv
