#pragma once
// Test-only module types, registered in the module registry like any other:
//   "Test Ramp"   - "Gain" in (volts), "Out": a sawtooth that depends only on the absolute
//                   sample clock, times the gain input; streams all the time.
//   "Test Notes"  - a polyphonic note source (voice source), the NoteProbe of
//                   tests/support/note_probe.h: "MIDI In", "Channel", then "Gate" (1.0
//                   while the note is held) and "Pitch" (note / 128). Logs the voice events
//                   it handles into the VoiceLog that was current when it was made.
//   "Test Env"    - "Gate" in, "Out": streams while the gate is high and `kRelease`
//                   samples after it falls, then goes static at 0; registers for quick
//                   release and logs it.
//   "Test Cut"    - "In", "Out": a pass-through that counts its live instances.
#include <atomic>

#include "tests/support/note_probe.h"

namespace kv::test {

// Where "Test Env" logs, and the "Test Notes" made from now on (null: no logging). One
// per test.
void SetVoiceLog(VoiceLog* log);

constexpr int kEnvRelease = 200;

// Live "Test Cut" unit generators.
extern std::atomic<int> g_live_cut_modules;

void RegisterProbeModules();

}  // namespace kv::test
