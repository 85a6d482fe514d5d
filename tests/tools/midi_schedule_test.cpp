#include "tools/midi_schedule.h"

#include <gtest/gtest.h>

#include "tools/note_list.h"

namespace kv {
namespace {

TEST(NoteList, ParsesNotesAndRefusesMalformedOrOutOfRangeOnes) {
  std::vector<PlayedNote> notes;
  std::string error;
  ASSERT_TRUE(parseNoteList("69:0:1:100,60:0.5:0.25:1", notes, error)) << error;
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[1].note, 60);
  EXPECT_DOUBLE_EQ(notes[1].start, 0.5);
  EXPECT_DOUBLE_EQ(notes[1].length, 0.25);
  EXPECT_EQ(notes[1].velocity, 1);

  for (const char* bad : {"", "69", "69:0:1", "69:0:1:100:5", "x:0:1:100", "69:0:1:100,,60:0:1:1",
                          "128:0:1:100", "69:-1:1:100", "69:0:0:100", "69:0:1:0", "69:0:1:128",
                          "69:nan:1:100", "69:0:inf:100", "69 :0:1:100"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(parseNoteList(bad, notes, error));
    EXPECT_FALSE(error.empty());
  }
}

TEST(MidiScheduleTest, NoteOffsComeBeforeNoteOnsAtTheSameFrame) {
  // The same note ends exactly where it starts again: it must sound again.
  const std::vector<PlayedNote> notes = {{60, 0.5, 0.5, 90}, {60, 0.0, 0.5, 100}};
  const MidiSchedule s = scheduleNotes(notes, 1000.0);
  ASSERT_EQ(s.messages.size(), 4u);
  const int64_t frames[] = {0, 500, 500, 1000};
  const uint8_t status[] = {0x90, 0x80, 0x90, 0x80};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(s.messages[i].frame, frames[i]) << i;
    EXPECT_EQ(s.messages[i].bytes[0], status[i]) << i;
  }
  EXPECT_EQ(s.messages[2].bytes[2], 90);
  EXPECT_EQ(s.endFrame, 1000);
}

TEST(MidiScheduleTest, AVeryShortNoteStillEndsAfterItStarts) {
  const MidiSchedule s = scheduleNotes({{64, 1.0, 1e-9, 100}}, 48000.0);
  ASSERT_EQ(s.messages.size(), 2u);
  EXPECT_EQ(s.messages[0].frame, 48000);
  EXPECT_EQ(s.messages[1].frame, 48001);
}

}  // namespace
}  // namespace kv
