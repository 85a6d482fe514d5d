#pragma once
// The logic family: logic gates, comparing and clipping, and the one-in one-out signal
// modules (rectifying, inverting, rounding to whole volts, denormal handling).
namespace kv {

class UnitGeneratorCatalogue;

// Adds the family's unit generators to the catalogue under their class names.
void RegisterLogic(UnitGeneratorCatalogue& catalogue);

}  // namespace kv
