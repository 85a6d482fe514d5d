#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "platform/message_service.h"

namespace kv {
namespace {

using ::testing::ElementsAre;

TEST(MessageService, ShowsKeepsQueuesAndDefers) {
  MessageService s;
  s.setLogToStderr(false);
  MessageServiceScope scope(s);
  showMessage("first", MessageIcon::Exclamation);
  EXPECT_THAT(s.shownTexts(), ElementsAre("first"));
  EXPECT_EQ(s.shown()[0].icon, MessageIcon::Exclamation);

  std::vector<std::string> presented;
  s.setPresenter([&](const Message& m) { presented.push_back(m.text); });
  {
    HostCallScope host;  // inside a host call: queued, not shown
    showMessage("during load");
    EXPECT_TRUE(presented.empty());
    EXPECT_EQ(s.queuedCount(), 1u);
  }
  std::thread audio([&] {
    AudioThreadScope a;
    MessageServiceScope inThread(s);
    s.post("from audio");
    showMessage("also from audio");
  });
  audio.join();
  EXPECT_TRUE(presented.empty());
  s.flushQueued();  // editor idle
  EXPECT_THAT(presented, ElementsAre("during load", "from audio", "also from audio"));
  EXPECT_EQ(s.queuedCount(), 0u);
}

TEST(MessageService, AudioSlotsAreBoundedAndCut) {
  MessageService s;
  s.setLogToStderr(false);
  std::string longText(1000, 'x');
  for (std::size_t i = 0; i < MessageService::kAudioSlots + 3; ++i) s.post(longText.c_str());
  EXPECT_EQ(s.droppedCount(), 3u);
  s.flushQueued();
  ASSERT_EQ(s.shown().size(), MessageService::kAudioSlots);
  EXPECT_EQ(s.shown()[0].text.size(), MessageService::kAudioSlotBytes - 1);
}

}  // namespace
}  // namespace kv
