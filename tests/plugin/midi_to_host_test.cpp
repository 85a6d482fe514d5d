// MIDI sent to the host: record layout and a block that never grows.
#include "plugin/midi_to_host.h"

#include <gtest/gtest.h>

#include <cstring>

#include "plugin/kv_vst_answers.h"

namespace kv {
namespace {

uint8_t byteAt(const vst::VstMidiEvent& e, int i) { return static_cast<uint8_t>(e.midiData[i]); }

TEST(MidiToHost, ShortMessagesArePackedAsTheHostReadsThem) {
  struct Case {
    uint32_t message;
    uint8_t b0, b1, b2;
  };
  const Case cases[] = {
      {0x407F90, 0x90, 0x7F, 0x40},  // note on, two data bytes
      {0x0007C5, 0xC5, 0x07, 0xFF},  // program change: one data byte, second sent as 0xFF
      {0x0030D1, 0xD1, 0x30, 0xFF},  // channel pressure
      {0x7F07B0, 0xB0, 0x07, 0x7F},  // controller
  };
  for (const Case& k : cases) {
    vst::VstMidiEvent e;
    std::memset(&e, 0xAB, sizeof e);
    packMidiToHost(e, -3, k.message);
    EXPECT_EQ(e.type, vst::kVstMidiType);
    EXPECT_EQ(e.byteSize, 24);
    EXPECT_EQ(e.deltaFrames, 0);  // negative offsets count as the block start
    EXPECT_EQ(e.flags, 0);
    EXPECT_EQ(e.noteLength, 0);
    EXPECT_EQ(e.noteOffset, 0);
    EXPECT_EQ(byteAt(e, 0), k.b0);
    EXPECT_EQ(byteAt(e, 1), k.b1);
    EXPECT_EQ(byteAt(e, 2), k.b2);
    EXPECT_EQ(byteAt(e, 3), 0);
    EXPECT_EQ(e.detune, 0);
    EXPECT_EQ(e.noteOffVelocity, 0);
  }
}

TEST(MidiToHost, FillsUpToItsCapacityThenRefuses) {
  MidiToHost out;
  EXPECT_FALSE(out.add(0, 0x90));  // not allocated yet
  out.allocate();
  for (int i = 0; i < MidiToHost::kCapacity; ++i) ASSERT_TRUE(out.add(i, 0x403C90));
  EXPECT_TRUE(out.full());
  EXPECT_FALSE(out.add(0, 0x403C90));
  vst::VstEvents* block = out.events();
  EXPECT_EQ(block->numEvents, MidiToHost::kCapacity);
  // The pointer array starts at byte 16 and leads to the records in order.
  auto** pointers = reinterpret_cast<vst::VstMidiEvent**>(reinterpret_cast<char*>(block) + 16);
  EXPECT_EQ(pointers[399]->deltaFrames, 399);
  out.clear();
  EXPECT_EQ(out.size(), 0);
  EXPECT_TRUE(out.add(5, 0x0007C5));
  EXPECT_EQ(pointers[0]->deltaFrames, 5);
}

TEST(KvVstAnswers, CanDoAndOutputPins) {
  EXPECT_EQ(canDoAnswer("receiveVstMidiEvent", false, true), -1);
  EXPECT_EQ(canDoAnswer("receiveVstMidiEvent", true, false), 1);
  EXPECT_EQ(canDoAnswer("sendVstMidiEvent", true, false), -1);
  EXPECT_EQ(canDoAnswer("sendVstMidiEvent", false, true), 1);
  EXPECT_EQ(canDoAnswer("bypass", true, true), 0);
  EXPECT_EQ(canDoAnswer("ReceiveVstMidiEvent", true, true), 0);

  struct Pins {
    int32_t outputs, flags, expected;
  };
  const Pins pins[] = {{4, kPluginFlagStereoPins, 3}, {3, kPluginFlagStereoPins, 1},
                       {2, 0, 1}, {1, kPluginFlagStereoPins, 1}, {2, kPluginFlagStereoPins, 3}};
  for (const Pins& p : pins) {
    vst::VstPinProperties props;
    std::memset(&props, 0x55, sizeof props);
    fillOutputProperties(props, "A very long output plug name that goes on and on and on and on!", p.outputs,
                         p.flags);
    EXPECT_EQ(props.flags, p.expected) << p.outputs;
    EXPECT_EQ(std::strlen(props.label), 63u);
    EXPECT_STREQ(props.shortLabel, "A very ");
    EXPECT_EQ(props.arrangementType, 0);
    for (char c : props.future) EXPECT_EQ(c, 0);
  }
}

}  // namespace
}  // namespace kv
