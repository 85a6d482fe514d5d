// The MIDI file a render writes of what the plug-in sent, read back with midicsv: one tick is
// one frame, channel messages come back as sent and everything else as escapes.
#include "tools/midi_out_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace kv {
namespace {

std::string midicsv(const std::vector<uint8_t>& bytes) {
  const std::filesystem::path base =
      std::filesystem::temp_directory_path() / ("kv-midi-out-" + std::to_string(std::random_device{}()));
  const std::string file = base.string() + ".mid", csv = base.string() + ".csv";
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
  std::system(("midicsv '" + file + "' >'" + csv + "' 2>&1").c_str());
  std::ifstream in(csv);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(file);
  std::filesystem::remove(csv);
  return text;
}

TEST(MidiOutFile, TicksAreFramesAtEveryRate) {
  for (int rate : {44100, 48000, 88200, 96000, 22050, 192000}) {
    uint16_t division = 0;
    uint32_t tempo = 0;
    ASSERT_TRUE(frameTicks(rate, division, tempo)) << rate;
    // division ticks = one quarter note = tempo microseconds, so a tick lasts 1 / rate s.
    EXPECT_EQ(uint64_t(tempo) * uint64_t(rate), uint64_t(division) * 1000000u) << rate;
  }
  uint16_t division = 0;
  uint32_t tempo = 0;
  EXPECT_FALSE(frameTicks(32771, division, tempo));  // a prime rate needs 32771 ticks a quarter
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_FALSE(encodeMidiOutFile({}, 32771, 10, bytes, error));
  EXPECT_NE(error.find("32771"), std::string::npos);
}

TEST(MidiOutFile, MidicsvReadsBackEveryMessage) {
  const std::vector<SentMidi> sent = {
      {0, {0x90, 60, 100}},
      {0, {0xF8, 0, 0}},        // clock: a system message, written as an escape
      {480, {0xC3, 5, 0xFF}},   // program change: one data byte, whatever follows
      {1000, {0xF2, 0x10, 0x02}},
      {1000, {0x80, 0x90, 0}},  // a data byte with its top bit set: not a channel message
      {70000, {0xB0, 7, 64}},
  };
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(encodeMidiOutFile(sent, 48000, 96000, bytes, error)) << error;
  const std::string csv = midicsv(bytes);
  for (const char* line : {"0, 0, Header, 0, 1, 6\n", "1, 0, Tempo, 125\n", "1, 0, Note_on_c, 0, 60, 100\n",
                           "1, 0, System_exclusive_packet, 1, 248\n", "1, 480, Program_c, 3, 5\n",
                           "1, 1000, System_exclusive_packet, 3, 242, 16, 2\n",
                           "1, 1000, System_exclusive_packet, 3, 128, 144, 0\n",
                           "1, 70000, Control_c, 0, 7, 64\n", "1, 96000, End_track\n"})
    EXPECT_NE(csv.find(line), std::string::npos) << line << "in\n" << csv;
}

}  // namespace
}  // namespace kv
