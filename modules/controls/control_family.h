#pragma once
// The control family: panel controls, patch parameters, patch memories and routing switches.
namespace kv {

class UnitGeneratorCatalogue;

// Adds the family's unit generators to the catalogue under their class names.
void RegisterControls(UnitGeneratorCatalogue& catalogue);

}  // namespace kv
