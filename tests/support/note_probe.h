#pragma once
// NoteProbe: a note source for tests, on the engine alone or registered as the module type
// "Test Notes" (tests/support/probe_modules.h). Its outputs are "Gate" (1.0 while a note is
// held) and "Pitch" (note / 128), constant between notes; it logs every voice event it
// handles, and bends, aftertouch, program changes and bank selects with their value in
// `note`, into the VoiceLog it was made with (none: no logging). Its copies log into
// the same one.
#include <cstdint>
#include <vector>

#include "engine/ug_notesource.h"
#include "engine/voice.h"

namespace kv::test {

struct VoiceEvent {
  int voice;
  int type;  // UET_NOTE_ON, UET_NOTE_OFF, UET_QUICK_RELEASE, UET_SUSPEND
  int64_t time;  // the event's stamp
  int64_t at;    // the receiver's clock when handled
  int channel, note, velocity;
};
using VoiceLog = std::vector<VoiceEvent>;

class NoteProbe : public ug_notesource {
 public:
  enum { kGate = 2, kPitch };
  explicit NoteProbe(VoiceLog* log = nullptr) : log_(log) { SetProcessFunction(&NoteProbe::Write); }
  ug_base* CreateObject() override { return new NoteProbe(log_); }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    ug_notesource::ListInterface(list);
    list.push_back(VoltsOut(&gate_out, "Gate"));
    list.push_back(VoltsOut(&pitch_out, "Pitch"));
  }
  void HandleEvent(ug_event* e) override {
    if (log_ && (e->type == UET_NOTE_ON || e->type == UET_NOTE_OFF ||
                 e->type == UET_QUICK_RELEASE || e->type == UET_SUSPEND)) {
      const int voice = e->type == UET_SUSPEND ? static_cast<Voice*>(e->ptr)->index : VoiceIndex();
      log_->push_back({voice, e->type, e->time, clock, e->arg1, e->arg2, e->arg3});
    }
    ug_notesource::HandleEvent(e);
  }
  void NoteOn(int channel, int note, int velocity) override {
    ug_notesource::NoteOn(channel, note, velocity);
    gate = 1.0f;
    pitch = note / 128.0f;
    plugs[kGate]->TransmitState(clock, ST_ONE_OFF);
    plugs[kPitch]->TransmitState(clock, ST_ONE_OFF);
    WriteThenSleep();
  }
  void NoteOff(int, int, int) override {
    gate = 0.0f;
    plugs[kGate]->TransmitState(clock, ST_ONE_OFF);
    WriteThenSleep();
  }
  void Open() override {
    ug_notesource::Open();
    WriteThenSleep();
  }
  // Logged with their value in `note`.
  void SetBend(float v) override { Log(UET_PITCH_BEND, static_cast<int>(v * 8192.0f)); }
  void SetAftertouch(float v) override { Log(UET_AFTERTOUCH, static_cast<int>(v * 127.0f + 0.5f)); }
  void OnProgramChange(int32_t, int32_t program) override { Log(UET_PROG_CHANGE, program); }
  static constexpr int kBankEvent = 100;
  void OnBankSelect(int channel, int value) override { Log(kBankEvent, value, channel); }
  void Log(int type, int value, int channel = 0) {
    if (log_) log_->push_back({VoiceIndex(), type, clock, clock, channel, value, 0});
  }
  // Outputs are constant between notes: a full block, then sleep until the next event.
  void WriteThenSleep() {
    SetProcessFunction(&NoteProbe::Write);
    RunOneThenStatic();
  }
  void Write(int offset, int count) {
    for (int i = 0; i < count; ++i) {
      gate_out[offset + i] = gate;
      pitch_out[offset + i] = pitch;
    }
  }
  float* gate_out = nullptr;
  float* pitch_out = nullptr;
  float gate = 0.0f, pitch = 0.0f;

 private:
  VoiceLog* log_;
};

}  // namespace kv::test
