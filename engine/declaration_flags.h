#pragma once
// Declaration flags: the bits of InterfaceObject::flags. A module type states them once,
// in its plug declarations; the engine and the document both read this one word.
//
// Not to be confused with the flags of a runtime plug (UPlugFlags, UPlug::flags), which
// the engine derives from these when it makes the plug and then changes as it runs.
#include <cstdint>

namespace kv {

enum DeclFlags : uint32_t {
  // An ordinary audio input. A DR_IN dt_volts declaration that is neither this nor
  // kDeclNotVoiceSensitive gets it when it is made (InterfaceObject's construction rule).
  kDeclAudioInput = 0x001,
  // Carried on some channel and voice-mode settings as they were always declared; nothing
  // reads it.
  kDeclReserved = 0x002,
  // The document plug takes the name of the plug at the other end of its first
  // connection; an output with it counts as a parameter.
  kDeclTakeName = 0x004,
  // The document keeps one unconnected spare of this declaration: connecting the spare
  // makes a new one, and a copy that loses its last connection is removed.
  kDeclAutoDuplicate = 0x008,
  // The value is a file name; the choices hold its extension.
  kDeclFileName = 0x010,
  // On the first connection the plug copies the value at the other end; an output with
  // it is editable and pushes its value to the engine.
  kDeclFollowSource = 0x020,
  // The engine's plugs for this declaration come from the document: one per document
  // plug, with that plug's direction and datatype.
  kDeclPlugsFromDocument = 0x040,
  // Any number of sources; the plug's value object hears of each one added or removed.
  kDeclCollector = 0x080,
  // Kept out of some panel listings while unconnected; panel-control plugs clear it.
  kDeclUnlisted = 0x100,
  // A voice-dependent signal arriving here does not make the module voice-dependent.
  kDeclNotVoiceSensitive = 0x200,
  // The plug carries a module feature instead of a signal: it lives in the document only
  // (no engine plug is made for it) and connects only to other feature plugs.
  kDeclFeature = 0x400,
};

// The spare through which a module or container grows a new plug pair: it names itself
// after its partner, duplicates itself and leaves the engine's plugs to the document.
inline constexpr uint32_t kDeclSpare = kDeclTakeName | kDeclAutoDuplicate | kDeclPlugsFromDocument;

}  // namespace kv
