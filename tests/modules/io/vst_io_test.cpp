// "VST Input" and "VST Output" between the host's buffers and a patch.
#include <gtest/gtest.h>

#include "engine/event.h"
#include "engine/midi_transport.h"
#include "engine/ug_base.h"
#include "modules/registry/module_info.h"
#include "modules/registry/module_registry.h"
#include "tests/support/offline_render.h"
#include "tests/support/patch_builder.h"
#include "tests/support/probe_modules.h"

namespace kv::test {
namespace {

// Host input 1 -> pass-through -> host output 1; host output 2 is driven by nothing.
std::unique_ptr<Document> PassThrough() {
  PatchBuilder b;
  CUG* cut = b.Add("Test Cut", "Wire");
  PatchBuilder::ExportInput(b.patch(), cut, "In");
  PatchBuilder::ExportOutput(b.patch(), cut, "Out");
  return b.Take();
}

TEST(VstIo, HostAudioPassesUnscaledAndUndrivenChannelsAreZero) {
  OfflineRender r(PassThrough(), 44100.0f, 128, 1, 2);
  ASSERT_TRUE(r.started());
  std::vector<float> in(1000);
  for (int i = 0; i < 1000; ++i) in[i] = i % 2 ? 0.5f : -1.0f;
  const auto out = r.Render(1000, {100, 37, 128}, {}, {in});
  EXPECT_EQ(out[0], in);  // 0.5 arrives as 5 V and leaves as 0.5
  for (float s : out[1]) ASSERT_EQ(s, 0.0f);
}

TEST(VstIo, AccumulatingCallsAddToTheHostBuffer) {
  OfflineRender r(PassThrough(), 44100.0f, 64, 1, 2);
  ASSERT_TRUE(r.started());
  float in[64], out0[64], out1[64];
  std::fill(in, in + 64, 0.25f);
  std::fill(out0, out0 + 64, 0.0f);
  std::fill(out1, out1 + 64, 3.0f);
  const float* ins[1] = {in};
  float* outs[2] = {out0, out1};
  r.app().ProcessHostCall(ins, 1, outs, 2, 64, /*replacing=*/false);
  r.app().ProcessHostCall(ins, 1, outs, 2, 64, /*replacing=*/false);
  for (int i = 0; i < 64; ++i) {
    ASSERT_EQ(out0[i], 0.5f);
    ASSERT_EQ(out1[i], 3.0f) << "an undriven channel is left as it was";
  }
}

TEST(VstIo, HostMidiIsStampedFromTheCallStart) {
  VoiceLog log;
  SetVoiceLog(&log);
  {
    PatchBuilder b;
    CUG* notes = b.Add("Test Notes", "Notes");
    PatchBuilder::ExportInput(b.patch(), notes, "MIDI In");
    OfflineRender r(b.Take(), 44100.0f, 256, 0, 1);
    ASSERT_TRUE(r.started());
    r.Render(1000, {250});
    float out[250];
    float* outs[1] = {out};
    const MidiEvent ev[2] = {{-3, 0, MidiEvent::Pack(0x90, 60, 100)},  // before the call: its first sample
                             {17, 0, MidiEvent::Pack(0x90, 62, 100)}};
    r.app().ProcessHostCall(nullptr, 0, outs, 1, 250, true, ev);
  }
  SetVoiceLog(nullptr);
  std::vector<std::pair<int64_t, int>> ons;
  for (const VoiceEvent& e : log)
    if (e.type == UET_NOTE_ON) ons.push_back({e.time, e.note});
  EXPECT_EQ(ons, (std::vector<std::pair<int64_t, int>>{{1000, 60}, {1017, 62}}));
}

// Passes MIDI on stamped kAhead samples later, as a module that schedules ahead would: its
// records reach the host output before their time.
class MidiAhead : public ug_base {
 public:
  static constexpr sample_clock kAhead = 200;
  MidiAhead() { SetProcessFunction(&MidiAhead::Pass); }
  ug_base* CreateObject() override { return new MidiAhead; }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.push_back(MidiIn(&midi_in, "MIDI In").Default("0"));
    list.push_back(MidiOut(&midi_out, "MIDI Out"));
  }
  bool CanSleep() override { return false; }
  void Pass(int, int) {
    bool moved = false;
    while (!midi_in.empty()) {
      MidiEvent e = midi_in.Pop();
      e.time += kAhead;
      moved = midi_out.Push(e) || moved;
    }
    if (moved) WakeDestinations(plugs[1]);
  }
  MidiInput midi_in;
  MidiOutput midi_out;
};

ug_base* MakeMidiAhead() { return new MidiAhead; }

TEST(VstIo, MidiForTheHostPastTheCallStaysQueuedForTheNextCall) {
  PatchBuilder b;
  ModuleRegistry& registry = GetModuleRegistry();
  if (!registry.FindModuleInfo("Test MIDI Ahead"))
    registry.RegisterModule(new Module_Info("Test MIDI Ahead", nullptr, &MakeMidiAhead, 0x100));
  CUG* ahead = b.Add("Test MIDI Ahead", "Ahead");
  ASSERT_NE(PatchBuilder::ExportInput(b.patch(), ahead, "MIDI In"), nullptr);
  ASSERT_NE(PatchBuilder::ExportOutput(b.patch(), ahead, "MIDI Out"), nullptr);
  OfflineRender r(b.Take(), 44100.0f, 256, 0, 1);
  ASSERT_TRUE(r.started());

  // One host call; answers the (offset, note) pairs handed to the host.
  auto call = [&](int frames, std::vector<int> note_offsets) {
    std::vector<MidiEvent> in;
    for (size_t i = 0; i < note_offsets.size(); ++i)
      in.push_back({note_offsets[i], 0, MidiEvent::Pack(0x90, static_cast<int>(60 + i), 100)});
    std::vector<float> out(frames);
    float* outs[1] = {out.data()};
    MidiEvent got[16];
    const int n = r.app().ProcessHostCall(nullptr, 0, outs, 1, frames, true, in, got);
    std::vector<std::pair<int, int>> sent;
    for (int i = 0; i < n; ++i) sent.push_back({static_cast<int>(got[i].time), got[i].data1()});
    return sent;
  };
  using Sent = std::vector<std::pair<int, int>>;
  // Calls start at 0, 100, 200, 264: the notes (stamped 210, 263, 264) are due in the
  // third call, the last one at its end, which belongs to the fourth.
  EXPECT_EQ(call(100, {10, 63, 64}), Sent{});
  EXPECT_EQ(call(100, {}), Sent{});
  EXPECT_EQ(call(64, {}), (Sent{{10, 60}, {63, 61}}));
  EXPECT_EQ(call(50, {}), (Sent{{0, 62}}));
  EXPECT_EQ(call(50, {}), Sent{});
}

}  // namespace
}  // namespace kv::test
