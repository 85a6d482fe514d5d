// The MIDI modules other than "Midi to CV": filtering, merging, controllers to voltages,
// automation in both directions, the monitor's lines, the panel keyboard, gates to notes,
// and the application's MIDI input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "engine/midi_in_queue.h"
#include "engine/ug_adder.h"
#include "modules/midi/cv_midi.h"
#include "modules/midi/midi_automator.h"
#include "modules/midi/midi_controllers.h"
#include "modules/midi/midi_filter.h"
#include "modules/midi/midi_in_out.h"
#include "modules/midi/midi_keyboard.h"
#include "modules/midi/midi_monitor.h"
#include "tests/support/engine_rig.h"
#include "tests/modules/midi/midi_rig.h"

namespace kv::test {
namespace {

int32_t Msg(int status, int d1 = 0, int d2 = 0) { return MidiEvent::Pack(status, d1, d2); }

TEST(MidiFilter, PassesByChannelNoteAndVelocity) {
  struct Case {
    const char* name;
    int channel_lo, channel_hi, note_lo, note_hi, velocity_lo, velocity_hi;
    int32_t message;
    bool passes;
  };
  const Case cases[] = {
      {"defaults pass a note", 1, 16, 0, 127, 0, 127, Msg(0x90, 60, 100), true},
      {"channel 3 in 2..4", 2, 4, 0, 127, 0, 127, Msg(0x92, 60, 100), true},
      {"channel 5 outside 2..4", 2, 4, 0, 127, 0, 127, Msg(0x94, 60, 100), false},
      {"channel 1 outside 2..4", 2, 4, 0, 127, 0, 127, Msg(0x90, 60, 100), false},
      {"system message ignores the channel", 2, 4, 0, 127, 0, 127, Msg(0xF8), true},
      {"controller on a channel in range", 1, 1, 60, 60, 100, 100, Msg(0xB0, 7, 5), true},
      {"controller on a channel out of range", 2, 2, 0, 127, 0, 127, Msg(0xB0, 7, 5), false},
      {"note below the range", 1, 16, 48, 72, 0, 127, Msg(0x90, 47, 100), false},
      {"note at the top of the range", 1, 16, 48, 72, 0, 127, Msg(0x90, 72, 100), true},
      {"note-off outside the note range", 1, 16, 48, 72, 0, 127, Msg(0x80, 40, 0), false},
      {"note-off ignores the velocity range", 1, 16, 0, 127, 50, 60, Msg(0x80, 60, 0), true},
      {"velocity below the range", 1, 16, 0, 127, 50, 60, Msg(0x90, 60, 49), false},
      {"velocity in the range", 1, 16, 0, 127, 50, 60, Msg(0x90, 60, 60), true},
      // A note-on with velocity 0 ends a note: only its note range counts.
      {"velocity 0 is a note-off", 1, 16, 0, 127, 50, 60, Msg(0x90, 60, 0), true},
      {"velocity 0 outside the note range", 1, 16, 70, 80, 50, 60, Msg(0x90, 60, 0), false},
  };
  for (const Case& c : cases) {
    ug_midi_filter f;
    f.channel_lo = c.channel_lo, f.channel_hi = c.channel_hi;
    f.note_lo = c.note_lo, f.note_hi = c.note_hi;
    f.velocity_lo = c.velocity_lo, f.velocity_hi = c.velocity_hi;
    EXPECT_EQ(f.Passes(c.message), c.passes) << c.name;
  }
}

TEST(MidiFilter, KeepsTimesAndOrderInAnyCallSize) {
  for (const int call : {1, 100, 512}) {
    FlatPatch p;
    auto* feed = p.Feed({{10, Msg(0x90, 60, 100)}, {10, Msg(0x91, 61, 100)}, {300, Msg(0x80, 60, 0)},
                         {301, Msg(0xF8)}, {700, Msg(0x90, 62, 0)}});
    auto* f = p.Add(new ug_midi_filter);
    f->channel_hi = 1;
    f->velocity_lo = 80;
    p.b.Connect(feed->plugs[0], f->plugs[ug_midi_filter::kMidiIn]);
    auto* sink = p.Sink(f->plugs[ug_midi_filter::kMidiOut]);
    p.Start();
    p.RunTo(2000, call);
    EXPECT_EQ(sink->got, (std::vector<MidiEvent>{{10, 0, Msg(0x90, 60, 100)},
                                                 {300, 0, Msg(0x80, 60, 0)},
                                                 {301, 0, Msg(0xF8)},
                                                 {700, 0, Msg(0x90, 62, 0)}}))
        << "calls of " << call;
  }
}

TEST(MidiAdder, MergesInTimeOrderLaterConnectedFirstOnTies) {
  FlatPatch p;
  auto* first = p.Feed({{10, Msg(0x90, 1, 1)}, {20, Msg(0x90, 2, 1)}});
  auto* second = p.Feed({{5, Msg(0x90, 3, 1)}, {20, Msg(0x90, 4, 1)}});
  auto* adder = p.Add(new ug_adder_midi);
  p.b.Connect(first->plugs[0], adder->plugs[ug_adder_midi::kIn]);
  p.b.Connect(second->plugs[0], adder->plugs[ug_adder_midi::kIn]);
  auto* sink = p.Sink(adder->plugs[ug_adder_midi::kOut]);
  p.Start();
  p.RunTo(512);
  std::vector<int> notes;
  std::vector<int64_t> times;
  for (const MidiEvent& e : sink->got) {
    notes.push_back(e.data1());
    times.push_back(e.time);
  }
  EXPECT_EQ(notes, (std::vector<int>{3, 1, 4, 2}));
  EXPECT_EQ(times, (std::vector<int64_t>{5, 10, 20, 20}));
}

struct ControllersPatch {
  explicit ControllersPatch(std::vector<MidiFeed::Record> midi) {
    feed = p.Feed(std::move(midi));
    c = p.Add(new ug_midi_controllers);
    p.b.Connect(feed->plugs[0], c->plugs[ug_midi_controllers::kMidiInPlug]);
    for (int i = 0; i < 6; ++i) rec[i] = p.Record(c->plugs[ug_midi_controllers::kAftertouch + i], 8000);
  }
  const std::vector<float>& aftertouch() const { return rec[0]->samples; }
  const std::vector<float>& bender() const { return rec[1]->samples; }
  const std::vector<float>& controller(int slot) const { return rec[2 + slot]->samples; }
  FlatPatch p;
  MidiFeed* feed;
  ug_midi_controllers* c;
  Recorder* rec[6];
};

TEST(Controllers, FourteenBitControllerGlidesOverASixtiethOfASecond) {
  ControllersPatch t({{1000, Msg(0xB0, 7, 127)}, {3000, Msg(0xB0, 39, 127)}});
  t.c->type[0] = 7;
  t.p.Start();
  t.p.RunTo(8000, 100);
  const auto& out = t.controller(0);
  constexpr int kGlide = 48000 / 60;
  EXPECT_EQ(out[999], 0.0f);
  EXPECT_NEAR(out[1000], 1.0f / kGlide, 1e-7);
  EXPECT_NEAR(out[1000 + kGlide / 2 - 1], 0.5f, 1e-5);
  EXPECT_EQ(out[1000 + kGlide - 1], 1.0f) << "MSB 127 alone is exactly 10 V";
  EXPECT_EQ(out[2999], 1.0f);
  EXPECT_EQ(out[3000 + kGlide - 1], 16383.0f / 16256.0f) << "the LSB adds its 7 bits";
  EXPECT_EQ(out[7999], 16383.0f / 16256.0f);
  // The glide streams and stops at its end.
  EXPECT_EQ(t.c->plugs[ug_midi_controllers::kController1]->state, ST_STOP);
}

TEST(Controllers, BendPressureChannelAndSlotsWithoutAController) {
  struct Case {
    int d1, d2;
    float bend;
  };
  const Case bends[] = {{0x00, 0x40, 0.0f}, {0x7F, 0x7F, 8191.0f / 8192.0f}, {0x00, 0x00, -1.0f}};
  for (const Case& b : bends) {
    ControllersPatch t({{100, Msg(0xE0, b.d1, b.d2)}, {2000, Msg(0xD0, 127, 0)}});
    t.p.Start();
    t.p.RunTo(4000);
    EXPECT_EQ(t.bender()[100 + 799], b.bend) << b.d1 << "," << b.d2;
    EXPECT_EQ(t.aftertouch()[2000 + 799], 127 * 0.007874016f);
  }
  // Slot 1 takes none: its would-be LSB (31) changes nothing. Slot 2 (controller 2) listens
  // on the chosen channel only.
  ControllersPatch t({{100, Msg(0xB1, 31, 127)}, {200, Msg(0xB0, 2, 127)}, {300, Msg(0xB1, 2, 64)}});
  t.c->type[0] = -1;
  t.c->channel = 1;
  t.p.Start();
  t.p.RunTo(4000);
  EXPECT_EQ(t.controller(0)[3999], 0.0f);
  EXPECT_EQ(t.controller(1)[3999], 64 * 128 / 16256.0f);
}

TEST(MidiAutomator, ControlChangesReachTheMappedControls) {
  FlatPatch p;
  auto* feed = p.Feed({{100, Msg(0xB0, 7, 100)},   // MSB of 7
                       {200, Msg(0xB0, 39, 5)},    // its LSB, reported as 7
                       {300, Msg(0xB1, 7, 1)},     // another channel
                       {400, Msg(0xB0, 99, 2)},    // NRPN 2 x 128 + 3
                       {401, Msg(0xB0, 98, 3)},
                       {402, Msg(0xB0, 6, 64)},    // data entry for that NRPN
                       {500, Msg(0xB0, 74, 127)},  // above 63: value x 128
                       {600, Msg(0x90, 74, 127)}});
  auto* a = p.Add(new ug_midi_automator);
  a->channel = 0;
  p.b.Connect(feed->plugs[0], a->plugs[ug_midi_automator::kMidiInPlug]);
  auto* volume = p.Add(new Probe);
  auto* nrpn_control = p.Add(new Probe);
  auto* other_nrpn = p.Add(new Probe);
  auto* brightness = p.Add(new Probe);
  p.b.root()->RegisterControl(volume, 7);
  p.b.root()->RegisterControl(nrpn_control, 99, 2 * 128 + 3);
  p.b.root()->RegisterControl(other_nrpn, 99, 5);
  p.b.root()->RegisterControl(brightness, 74);
  p.Start();
  p.RunTo(1000, 64);
  EXPECT_TRUE(a->flags & UGF_SORT_FIRST);
  const auto values = [](const Probe* c) {
    std::vector<std::pair<int64_t, int>> v;
    for (const Handled& h : c->handled)
      if (h.type == UET_CONTROLLER) v.push_back({h.at, h.arg2});
    return v;
  };
  EXPECT_EQ(values(volume), (std::vector<std::pair<int64_t, int>>{{100, 100 * 128}, {200, 100 * 128 + 5}}));
  EXPECT_EQ(values(nrpn_control), (std::vector<std::pair<int64_t, int>>{{402, 64 * 128}}));
  EXPECT_TRUE(values(other_nrpn).empty());
  EXPECT_EQ(values(brightness), (std::vector<std::pair<int64_t, int>>{{500, 16256}}));
  EXPECT_EQ(a->nrpn(), 2 * 128 + 3);
  EXPECT_EQ(a->rpn(), -1);
}

TEST(MidiAutomatorOutput, SendsControllerMessagesForControlChanges) {
  struct Case {
    const char* name;
    int controller, parameter;
    float value;
    std::vector<int32_t> sent;
  };
  const Case cases[] = {
      {"7 at 1.0", 7, 0, 1.0f, {Msg(0xB2, 7, 127), Msg(0xB2, 39, 0)}},
      {"7 at 0.5", 7, 0, 0.5f, {Msg(0xB2, 7, 63), Msg(0xB2, 39, 64)}},
      {"above 31: no LSB", 74, 0, 1.0f, {Msg(0xB2, 74, 127)}},
      {"NRPN selects, then data entry",
       99,
       2 * 128 + 3,
       1.0f,
       {Msg(0xB2, 99, 2), Msg(0xB2, 98, 3), Msg(0xB2, 6, 127), Msg(0xB2, 38, 0)}},
      {"no controller", -1, 0, 1.0f, {}},
  };
  for (const Case& c : cases) {
    FlatPatch p;
    auto* out = p.Add(new ug_midi_automator_out);
    out->channel = 2;
    auto* sink = p.Sink(out->plugs[ug_midi_automator_out::kMidiOut]);
    p.Start();
    p.RunTo(1000);
    out->Send(p.master.clock, c.value, c.controller, c.parameter);
    p.RunTo(2000);
    std::vector<int32_t> got;
    for (const MidiEvent& e : sink->got) {
      got.push_back(e.message);
      EXPECT_EQ(e.time, 1000) << c.name;
    }
    EXPECT_EQ(got, c.sent) << c.name;
  }
  // A control's change reported to the automator goes out through its companion.
  {
    FlatPatch p;
    auto* a = p.Add(new ug_midi_automator);
    auto* out = p.Add(new ug_midi_automator_out);
    auto* sink = p.Sink(out->plugs[ug_midi_automator_out::kMidiOut]);
    p.Start();
    p.RunTo(100);
    a->ReportControl(100, 1, 0, 1.0f);
    p.RunTo(200);
    EXPECT_EQ(sink->got, (std::vector<MidiEvent>{{100, 0, Msg(0xB0, 1, 127)}, {100, 0, Msg(0xB0, 33, 0)}}));
  }
  // Refused: earlier than the last time sent, or without a connection.
  FlatPatch p;
  auto* out = p.Add(new ug_midi_automator_out);
  auto* lonely = p.Add(new ug_midi_automator_out);
  auto* sink = p.Sink(out->plugs[ug_midi_automator_out::kMidiOut]);
  p.Start();
  p.RunTo(1024);
  out->Send(1100, 1.0f, 7, 0);
  out->Send(1050, 1.0f, 8, 0);
  lonely->Send(1100, 1.0f, 7, 0);
  p.RunTo(2048);
  EXPECT_EQ(sink->got.size(), 2u);
  EXPECT_EQ(lonely->midi_out.written(), 0u);
}

TEST(MidiMonitor, FormatsEveryKindOfMessage) {
  const std::pair<int32_t, const char*> cases[] = {
      {Msg(0x90, 60, 100), "C 1 Note On  ( 60,100)\n"},
      {Msg(0x91, 60, 0), "C 2 Note Off ( 60,  0)\n"},
      {Msg(0x8F, 1, 2), "C16 Note Off (  1,  2)\n"},
      {Msg(0xA0, 9, 3), "C 1 Pattern (9)\n"},
      {Msg(0xB0, 7, 100), "C 1 Cntlr: 7 - Volume (100)\n"},
      {Msg(0xB0, 3, 5), "C 1 Cntlr:   3 (5)\n"},
      {Msg(0xB0, 16, 1), "C 1 Cntlr: 16 - General Purpose (1)\n"},  // cut to 20 characters
      {Msg(0xB0, 99, 1), "C 1 Cntlr: 98/99 - NRPN (1)\n"},
      {Msg(0xB0, 200, 1), "C 1 Cntlr: ILEGAL CNTRLR\n"},
      {Msg(0xC0, 0), "C 1 Prg change (  1)\n"},
      {Msg(0xD0, 17), "C 1 Channel Pressure ( 17)\n"},
      {Msg(0xE0, 0, 0x40), "C 1 Bender (  0)\n"},
      {Msg(0xE0, 0, 0x7F), "C 1 Bender ( 63)\n"},
      {Msg(0xF8), "CLOCK\n"},
      {Msg(0xFA), "CLOCK - Start\n"},
      {Msg(0xFB), "CLOCK - Continue\n"},
      {Msg(0xFC), "CLOCK - Stop\n"},
      {Msg(0xF2, 1, 2), "SYSTEM (201f2)\n"},
      {0, "Zeros bytes!\n"},
      {Msg(0x12, 0x34, 0x56), "Byte = 12 34 56\n"},
  };
  for (const auto& [message, text] : cases) {
    char line[ug_midi_monitor::kLineCapacity];
    ug_midi_monitor::Format(message, line);
    EXPECT_STREQ(line, text);
  }
}

TEST(MidiMonitor, ShowsTheChosenChannelAndSystemMessages) {
  FlatPatch p;
  auto* feed = p.Feed({{10, Msg(0x90, 60, 100)}, {20, Msg(0x91, 61, 100)}, {30, Msg(0xF8)}});
  auto* m = p.Add(new ug_midi_monitor);
  m->channel = 1;
  p.b.Connect(feed->plugs[0], m->plugs[ug_midi_monitor::kMidiIn]);
  p.Start();
  p.RunTo(512);
  std::vector<std::string> lines;
  for (std::string l; m->TakeLine(l);) lines.push_back(l);
  EXPECT_EQ(lines, (std::vector<std::string>{"Sound ON\n", "C 2 Note On  ( 61,100)\n", "CLOCK\n"}));
}

TEST(KeyBoard, PanelKeysBecomeNotesAtTheCallStart) {
  FlatPatch p;
  auto* kb = p.Add(new ug_midi_keyboard);
  kb->channel = 2;
  auto* sink = p.Sink(kb->plugs[ug_midi_keyboard::kMidiOut]);
  p.Start();
  p.RunTo(1000, 100);
  p.master.PostUiMessage(kb, ug_midi_keyboard::kKeyDown, 60);
  p.master.PostUiMessage(kb, ug_midi_keyboard::kKeyDown, 64 + 128);  // masked to a note
  p.RunTo(1100, 100);
  p.master.PostUiMessage(kb, ug_midi_keyboard::kKeyUp, 60);
  p.RunTo(1200, 100);
  EXPECT_EQ(sink->got, (std::vector<MidiEvent>{{1000, 0, Msg(0x92, 60, 90)},
                                               {1000, 0, Msg(0x92, 64, 90)},
                                               {1100, 0, Msg(0x82, 60, 64)}}));
}

TEST(TriggerToMidi, NotesFromPitchAndVelocityFromLevel) {
  const struct {
    float pitch;
    int scale;
    int note;
  } notes[] = {
      {0.5f, 0, 69},   {0.6f, 0, 81},   {1.25f, 0, 127}, {0.0f, 0, 9},
      {-1.0f, 0, 0},   {0.0445f, 1, 69}, {0.1f, 1, 83},   {0.0f, 1, 0},
      {-0.1f, 1, 0},   {std::numeric_limits<float>::quiet_NaN(), 1, 0},
      {std::numeric_limits<float>::quiet_NaN(), 0, 0},
  };
  for (const auto& n : notes)
    EXPECT_EQ(ug_cv_midi::NoteFromPitch(n.pitch, n.scale), n.note) << n.pitch << " scale " << n.scale;
  const std::pair<float, int> velocities[] = {
      {0.5f, 63}, {0.0f, 1}, {1.0f, 127}, {2.0f, 127}, {std::numeric_limits<float>::quiet_NaN(), 1}};
  for (const auto& [level, velocity] : velocities) EXPECT_EQ(ug_cv_midi::VelocityFromLevel(level), velocity) << level;
}

TEST(TriggerToMidi, GateEdgesLandOnTheirSamples) {
  for (const bool streaming : {false, true}) {
    FlatPatch p;
    ug_base* gate = streaming
                        ? static_cast<ug_base*>(p.Add(new Wave([](int64_t t) {
                            return t >= 1000 && t < 2000 ? 0.5f : (t >= 3000 && t < 3001 ? 0.1f : -0.2f);
                          })))
                        : static_cast<ug_base*>(p.Add(new Steps(0.0f, {{1000, 0.5f}, {1500, 0.7f}, {2000, 0.0f},
                                                                       {3000, 0.1f}, {3001, -0.2f}})));
    auto* pitch = p.Add(new Steps(0.5f, {{2500, 0.6f}}));
    auto* velocity = p.Add(new Steps(0.5f, {}));
    auto* t = p.Add(new ug_cv_midi);
    t->channel = 3;
    p.b.Connect(gate->plugs[0], t->plugs[ug_cv_midi::kGate]);
    p.b.Connect(pitch->plugs[0], t->plugs[ug_cv_midi::kPitch]);
    p.b.Connect(velocity->plugs[0], t->plugs[ug_cv_midi::kVelocity]);
    auto* sink = p.Sink(t->plugs[ug_cv_midi::kMidiData]);
    p.Start();
    p.RunTo(4000, 100);
    EXPECT_EQ(sink->got, (std::vector<MidiEvent>{{1000, 0, Msg(0x93, 69, 63)},
                                                 {2000, 0, Msg(0x83, 69, 64)},
                                                 {3000, 0, Msg(0x93, 81, 63)},
                                                 {3001, 0, Msg(0x83, 81, 64)}}))
        << (streaming ? "streaming" : "static");
  }
}

class QueueHost : public MessageHost {
 public:
  MidiInQueue* MidiInputQueue() override { return &queue; }
  MidiInQueue queue;
};

TEST(MidiIn, MovesTheApplicationQueueIntoThePatch) {
  QueueHost host;
  KvAudioMaster master(&host, 512, 48000.0f);
  GraphBuilder b(master);
  auto* in = static_cast<ug_midi_in*>(b.Add(b.root(), new ug_midi_in));
  auto* sink = static_cast<MidiSink*>(b.Add(b.root(), new MidiSink));
  b.Connect(in->plugs[ug_midi_in::kMidiData], sink->plugs[0]);
  b.Build();
  auto root = b.TakeRoot();
  master.Start(root.get());
  master.SetRunning(true);
  host.queue.Push({100, 0, Msg(0x90, 60, 100)});
  host.queue.Push({150, 0, 0xFE});  // active sensing
  host.queue.Push({700, 0, Msg(0x80, 60, 0)});
  master.Run(512);
  EXPECT_EQ(sink->got, (std::vector<MidiEvent>{{100, 0, Msg(0x90, 60, 100)}}));
  master.Run(512);
  host.queue.Push({300, 0, Msg(0xB0, 1, 2)});  // older than the module: restamped
  master.Run(512);
  EXPECT_EQ(sink->got, (std::vector<MidiEvent>{{100, 0, Msg(0x90, 60, 100)},
                                               {700, 0, Msg(0x80, 60, 0)},
                                               {1024, 0, Msg(0xB0, 1, 2)}}));
}

TEST(MidiOut, DrainsItsInputSoNothingBacksUp) {
  FlatPatch p;
  std::vector<MidiFeed::Record> many;
  for (int i = 0; i < 2000; ++i) many.push_back({i, Msg(0x90, i % 128, 1)});
  auto* feed = p.Feed(std::move(many));
  auto* out = p.Add(new ug_midi_out);
  p.b.Connect(feed->plugs[0], out->plugs[ug_midi_out::kMidiIn]);
  p.Start();
  p.RunTo(4096);
  EXPECT_EQ(feed->out.written(), 2000u);
  EXPECT_EQ(feed->out.dropped(), 0);
  EXPECT_EQ(feed->out.Unread(), 0);
}

}  // namespace
}  // namespace kv::test
