#pragma once
// Test-only module types, registered in the module registry like any other:
//   "Test Ramp"   - "Gain" in (volts), "Out": a sawtooth that depends only on the absolute
//                   sample clock, times the gain input; streams all the time.
//   "Test Notes"  - a polyphonic note source (voice source): "MIDI In", "Channel", then
//                   "Gate" (1.0 while the note is held) and "Pitch" (note / 128). Logs the
//                   voice events it handles into the current VoiceLog.
//   "Test Env"    - "Gate" in, "Out": streams while the gate is high and `kRelease`
//                   samples after it falls, then goes static at 0; registers for quick
//                   release and logs it.
//   "Test Cut"    - "In", "Out": a pass-through that counts its live instances.
#include <atomic>
#include <cstdint>
#include <vector>

namespace kv::test {

struct VoiceEvent {
  int voice;
  int type;       // UET_NOTE_ON, UET_NOTE_OFF, UET_QUICK_RELEASE, UET_SUSPEND
  int64_t time;   // the clock when handled
  int note;
};
using VoiceLog = std::vector<VoiceEvent>;

// Where "Test Notes" and "Test Env" log (null: no logging). One per test.
void SetVoiceLog(VoiceLog* log);

constexpr int kEnvRelease = 200;

// Live "Test Cut" unit generators.
extern std::atomic<int> g_live_cut_modules;

void RegisterProbeModules();

}  // namespace kv::test
