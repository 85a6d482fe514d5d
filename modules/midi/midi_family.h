#pragma once
// The MIDI family: conversion to and from voltages, the host's MIDI ports, filtering, merging,
// controllers, automation, monitoring and the keyboard.
namespace kv {

class UnitGeneratorCatalogue;

// Adds the family's unit generators to the catalogue under their class names.
void RegisterMidi(UnitGeneratorCatalogue& catalogue);

}  // namespace kv
