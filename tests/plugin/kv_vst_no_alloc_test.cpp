// The plug-in object's audio calls allocate nothing: the real application playing the patch
// with panel controls, host MIDI arriving, automation written from the audio thread.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "app/korvane_app_vst.h"
#include "platform/message_service.h"
#include "plugin/kv_vst.h"
#include "plugin/kv_vst_document.h"
#include "tests/engine/alloc_counter.h"
#include "tests/plugin/recording_host.h"

namespace kv {
namespace {

TEST(KvVstNoAlloc, AudioCallsAllocateNothing) {
  test::RecordingHost host;
  MessageService messages;
  messages.setLogToStderr(false);
  MessageServiceScope scope(messages);
  bool failed = false;
  KvVst effect(&test::RecordingHost::callback,
               std::make_unique<CKorvaneAppVST>(&loadKvVstDocument, KV_KVVST_LIBRARY), &failed);
  ASSERT_FALSE(failed);
  vst::AEffect* e = effect.getAeffect();
  ASSERT_EQ(e->numOutputs, 2);
  e->dispatcher(e, vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);
  e->dispatcher(e, vst::effSetBlockSize, 0, 512, nullptr, 0.0f);
  e->dispatcher(e, vst::effMainsChanged, 0, 1, nullptr, 0.0f);

  std::vector<float> left(512), right(512);
  float* outs[2] = {left.data(), right.data()};
  vst::VstMidiEvent notes[2] = {};
  for (int i = 0; i < 2; ++i) {
    notes[i].type = vst::kVstMidiType;
    notes[i].byteSize = 24;
    notes[i].deltaFrames = 10 * i;
    notes[i].midiData[0] = static_cast<char>(0x90);
    notes[i].midiData[1] = 60;
    notes[i].midiData[2] = 100;
  }
  struct {
    int32_t numEvents;
    intptr_t reserved;
    vst::VstEvent* events[2];
  } block{2, 0, {reinterpret_cast<vst::VstEvent*>(&notes[0]), reinterpret_cast<vst::VstEvent*>(&notes[1])}};
  auto call = [&](int n, float value) {
    e->dispatcher(e, vst::effProcessEvents, 0, 0, &block, 0.0f);
    e->setParameter(e, n % 2, value);
    e->processReplacing(e, outs, outs, 1 + (n * 37) % 512);
    (void)e->getParameter(e, 0);
  };
  for (int n = 0; n < 20; ++n) call(n, 0.1f * static_cast<float>(n % 10));  // warm up

  test::StartCountingAllocations();
  for (int n = 0; n < 200; ++n) call(n, 0.05f * static_cast<float>(n % 20));
  EXPECT_EQ(test::StopCountingAllocations(), 0);
  e->dispatcher(e, vst::effMainsChanged, 0, 0, nullptr, 0.0f);
}

}  // namespace
}  // namespace kv
