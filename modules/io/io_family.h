#pragma once
// The host input and output family: the plug-in's audio and MIDI from and to the host.
namespace kv {

class UnitGeneratorCatalogue;

// Adds the family's unit generators to the catalogue under their class names.
void RegisterHostIo(UnitGeneratorCatalogue& catalogue);

}  // namespace kv
