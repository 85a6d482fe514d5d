#include "tools/midi_file.h"

#include <gtest/gtest.h>

#include "tests/tools/smf_builder.h"

namespace kv {
namespace {

using test::SmfTrack;
using test::smfFile;

MidiFile parseOk(const std::vector<uint8_t>& bytes) {
  MidiFile file;
  std::string error;
  EXPECT_TRUE(parseMidiFile(bytes, file, error)) << error;
  return file;
}

std::string parseError(const std::vector<uint8_t>& bytes) {
  MidiFile file;
  std::string error;
  EXPECT_FALSE(parseMidiFile(bytes, file, error));
  return error;
}

TEST(MidiFileParse, FormatZeroWithRunningStatusAndSkippedSysexAndMeta) {
  SmfTrack t;
  t.event(0, {0x90, 60, 100})
      .event(0, {64, 90})                          // running status: another note-on
      .event(10, {0xF0, 0x03, 0x7E, 0x00, 0xF7})  // sysex, skipped
      .event(0, {0xFF, 0x01, 0x02, 'h', 'i'})      // text meta, skipped
      .event(10, {60, 0})                          // running status survives the skips
      .event(0, {0xC1, 5})                         // program change: one data byte
      .event(0, {0xE1, 0x00, 0x40})                // pitch bend
      .event(5, {0xB1, 7, 127})
      .end(20);
  const MidiFile f = parseOk(smfFile(0, 96, {t}));
  EXPECT_EQ(f.format, 0);
  EXPECT_EQ(f.ticksPerQuarter, 96);
  ASSERT_EQ(f.events.size(), 6u);
  const uint64_t ticks[] = {0, 0, 20, 20, 20, 25};
  const uint8_t status[] = {0x90, 0x90, 0x90, 0xC1, 0xE1, 0xB1};
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(f.events[i].tick, ticks[i]) << i;
    EXPECT_EQ(f.events[i].bytes[0], status[i]) << i;
  }
  EXPECT_EQ(f.events[1].bytes[1], 64);
  EXPECT_EQ(f.events[2].bytes[2], 0);
  EXPECT_EQ(f.events[3].size, 2);
  EXPECT_EQ(f.events[3].bytes[1], 5);
  EXPECT_EQ(f.lengthTicks, 45u);
  // Default tempo 120 BPM: 96 ticks a half second.
  EXPECT_DOUBLE_EQ(f.events[5].seconds, 25.0 / 96 * 0.5);
}

TEST(MidiFileParse, FormatOneMergesTracksAndTimesThroughTempoChanges) {
  SmfTrack conductor;
  conductor.tempo(0, 600000)                          // 100 BPM
      .event(0, {0xFF, 0x58, 0x04, 3, 2, 24, 8})     // 3/4
      .tempo(960, 1000000)                           // 60 BPM from tick 960 (1.2 s)
      .end();
  SmfTrack notes;
  notes.event(480, {0x90, 69, 100})   // 0.6 s
      .event(480, {0x80, 69, 0})      // tick 960: 1.2 s, ties after the conductor's change
      .event(480, {0x91, 72, 80})     // tick 1440: 1.2 + one quarter at 60 BPM = 2.2 s
      .end(240);                      // tick 1680: 2.7 s
  SmfTrack more;
  more.event(960, {0x92, 50, 1}).end();
  const MidiFile f = parseOk(smfFile(1, 480, {conductor, notes, more}));
  EXPECT_EQ(f.trackCount, 3);
  ASSERT_EQ(f.tempoMap.size(), 2u);
  EXPECT_DOUBLE_EQ(f.tempoMap[1].seconds, 1.2);
  ASSERT_EQ(f.timeSignatures.size(), 1u);
  EXPECT_EQ(f.timeSignatures[0].numerator, 3);
  EXPECT_EQ(f.timeSignatures[0].denominator, 4);
  ASSERT_EQ(f.events.size(), 4u);
  EXPECT_DOUBLE_EQ(f.events[0].seconds, 0.6);
  // Same tick in two tracks: track order.
  EXPECT_EQ(f.events[1].bytes[0], 0x80);
  EXPECT_EQ(f.events[1].track, 1);
  EXPECT_EQ(f.events[2].bytes[0], 0x92);
  EXPECT_EQ(f.events[2].track, 2);
  EXPECT_DOUBLE_EQ(f.events[2].seconds, 1.2);
  EXPECT_NEAR(f.events[3].seconds, 2.2, 1e-12);
  EXPECT_NEAR(f.lengthSeconds, 2.7, 1e-12);
}

TEST(MidiFileParse, SmpteDivisionAndUnknownChunksAndLongerHeader) {
  SmfTrack t;
  t.event(0, {0x90, 60, 1}).event(50, {0x80, 60, 0}).end();
  std::vector<uint8_t> bytes = smfFile(0, 0xE728, {t});  // -25 fps, 40 ticks per frame
  // Make the header two bytes longer and put an unknown chunk before the track.
  bytes[7] = 8;
  bytes.insert(bytes.begin() + 14, {0xAA, 0xBB, 'X', 'Y', 'Z', 'W', 0, 0, 0, 1, 0x55});
  const MidiFile f = parseOk(bytes);
  EXPECT_EQ(f.ticksPerQuarter, 0);
  EXPECT_DOUBLE_EQ(f.smpteFramesPerSecond, 25.0);
  ASSERT_EQ(f.events.size(), 2u);
  EXPECT_DOUBLE_EQ(f.events[1].seconds, 50.0 / 1000.0);
}

TEST(MidiFileParse, MalformedFilesAreRefusedWithAReason) {
  SmfTrack good;
  good.event(0, {0x90, 60, 100}).event(10, {0x80, 60, 0}).end();
  const std::vector<uint8_t> valid = smfFile(1, 96, {good});

  auto withTrack = [](std::initializer_list<uint8_t> data) {
    SmfTrack t;
    t.raw(data);
    return smfFile(0, 96, {t});
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* words;
  };
  std::vector<uint8_t> lyingLength = valid;
  lyingLength[21] = 0x7F;  // track length far beyond the file
  std::vector<uint8_t> format2 = valid;
  format2[9] = 2;
  std::vector<uint8_t> moreTracks = valid;
  moreTracks[11] = 3;
  std::vector<uint8_t> zeroDivision = valid;
  zeroDivision[12] = zeroDivision[13] = 0;
  std::vector<uint8_t> badSmpte = valid;
  badSmpte[12] = 0xE0;  // -32 fps

  const Case cases[] = {
      {"empty", {}, "no MThd"},
      {"other format", {'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96}, "no MThd"},
      {"header length", {'M', 'T', 'h', 'd', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 1, 0, 96}, "header length"},
      {"chunk length", lyingLength, "remain"},
      {"format 2", format2, "format 2"},
      {"missing tracks", moreTracks, "announces 3 tracks"},
      {"zero division", zeroDivision, "0 ticks"},
      {"bad smpte", badSmpte, "SMPTE"},
      {"data without status", withTrack({0x00, 0x40, 0x40}), "without a status"},
      {"truncated message", withTrack({0x00, 0x90, 0x40}), "inside a channel message"},
      {"status as data", withTrack({0x00, 0x90, 0x40, 0x90}), "where a data byte belongs"},
      {"five-byte delta", withTrack({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 1, 1}), "longer than four bytes"},
      {"delta at end", withTrack({0x00, 0x90, 0x40, 0x40, 0x81}), "inside a delta time"},
      {"meta too long", withTrack({0x00, 0xFF, 0x01, 0x7F, 'a'}), "meta event"},
      {"sysex too long", withTrack({0x00, 0xF0, 0x7F, 0x01}), "system-exclusive"},
      {"system common", withTrack({0x00, 0xF2, 0x00, 0x00}), "unexpected status byte 0xF2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string error = parseError(c.bytes);
    EXPECT_NE(error.find(c.words), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

TEST(MidiFileParse, EveryTruncationOfAValidFileIsRefused) {
  SmfTrack conductor;
  conductor.tempo(0, 400000).event(0, {0xFF, 0x58, 0x04, 6, 3, 24, 8}).end();
  SmfTrack notes;
  notes.event(0, {0x90, 60, 100}).event(0x4000, {62, 100}).event(3, {0xF0, 2, 1, 0xF7}).end(1);
  const std::vector<uint8_t> full = smfFile(1, 192, {conductor, notes});
  for (std::size_t n = 0; n < full.size(); ++n) {
    const std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    MidiFile f;
    std::string error;
    EXPECT_FALSE(parseMidiFile(cut, f, error)) << "accepted " << n << " of " << full.size() << " bytes";
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace kv
