// The entry point's work (openEffect) and the plug-in object the library hands out.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "app/korvane_app_vst.h"
#include "document/korvane_doc_vst.h"
#include "document/model/container.h"
#include "modules/registry/module_registry.h"
#include "platform/message_service.h"

#include "plugin/effect_entry.h"
#include "plugin/kv_vst.h"
#include "plugin/kv_vst_document.h"
#include "recording_host.h"
#include "test_effect.h"
#include "document/model/module_factory.h"

namespace kv::test {
namespace {

using namespace vst;

Log entryLog;
int factoryCalls = 0;
bool failNextLoad = false;
bool throwInFactory = false;

AudioEffect* testFactory(audioMasterCallback cb, bool* loadFailed) {
  ++factoryCalls;
  if (throwInFactory) throw std::runtime_error("construction failed");
  auto* fx = new TestEffect(cb, entryLog);
  if (failNextLoad) *loadFailed = true;
  return fx;
}

struct EntryTest : ::testing::Test {
  void SetUp() override {
    entryLog.clear();
    factoryCalls = 0;
    failNextLoad = false;
    throwInFactory = false;
  }
  static intptr_t close(AEffect* e) { return e->dispatcher(e, effClose, 0, 0, nullptr, 0); }
  RecordingHost host;
};

TEST_F(EntryTest, HostAnsweringVersionZeroGetsNothing) {
  host.answers[audioMasterVersion] = 0;
  EXPECT_EQ(openEffect(&RecordingHost::callback, &testFactory), nullptr);
  EXPECT_EQ(factoryCalls, 0);
  ASSERT_EQ(host.calls.size(), 1u);
  EXPECT_EQ(host.calls[0].effect, nullptr);
  EXPECT_EQ(host.calls[0].opcode, audioMasterVersion);
  EXPECT_EQ(openEffect(nullptr, &testFactory), nullptr);
}

TEST_F(EntryTest, AnsweringHostGetsTheObjectsRecord) {
  AEffect* e = openEffect(&RecordingHost::callback, &testFactory);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->magic, kEffectMagic);
  EXPECT_EQ(static_cast<AudioEffect*>(e->object)->getAeffect(), e);
  EXPECT_EQ(close(e), 1);
  EXPECT_EQ(entryLog, (Log{"close", "destroyed"}));
}

TEST_F(EntryTest, FailedLoadDestroysOnlyThatInstance) {
  failNextLoad = true;
  EXPECT_EQ(openEffect(&RecordingHost::callback, &testFactory), nullptr);
  EXPECT_EQ(entryLog, (Log{"destroyed"}));
  // The flag belonged to that construction: the next instance loads.
  failNextLoad = false;
  AEffect* e = openEffect(&RecordingHost::callback, &testFactory);
  ASSERT_NE(e, nullptr);
  close(e);
}

// A plug-in file of our own making: "synth.so" does not exist, its patch lies beside it in
// "synth.dat" (a root holding the patch container "Test Synth", unique id "abcd").
struct PatchBeside {
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("kv_entry_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  std::string module = (dir / "synth.so").string();
  PatchBeside() {
    std::filesystem::create_directories(dir);
    CKorvaneDocVST doc;
    doc.OnNewDocument();
    auto* synth = dynamic_cast<CContainer*>(CreateDocumentModule("Container"));
    synth->setTitleQuiet("Test Synth");
    doc.root()->adopt(synth);
    doc.header().unique_id_text = "abcd";
    doc.header().product_text = "Test Product";
    const std::vector<uint8_t> bytes = doc.SavePatch();
    std::ofstream((dir / "synth.dat"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  ~PatchBeside() { std::filesystem::remove_all(dir); }
};

std::string patchModule;

AudioEffect* patchFactory(audioMasterCallback cb, bool* loadFailed) {
  return new KvVst(cb, std::make_unique<CKorvaneAppVST>(&loadKvVstDocument, patchModule), loadFailed);
}

TEST_F(EntryTest, LibraryEffectWithoutPatchGivesNullAndSaysWhy) {
  MessageService messages;
  messages.setLogToStderr(false);
  MessageServiceScope scope(messages);
  patchModule = "/nonexistent/folder/synth.so";
  EXPECT_EQ(openEffect(&RecordingHost::callback, &patchFactory), nullptr);
  EXPECT_EQ(messages.shownTexts(),
            (std::vector<std::string>{"synth: Can't find plugin data file. (/nonexistent/folder/synth.dat)"}));
}

TEST_F(EntryTest, ConstructionExceptionGivesNull) {
  throwInFactory = true;
  EXPECT_EQ(openEffect(&RecordingHost::callback, &testFactory), nullptr);
  EXPECT_EQ(factoryCalls, 1);
}

// The library's effect shows the names and the id of the patch it loaded.
TEST_F(EntryTest, LibraryEffectShowsItsPatch) {
  PatchBeside patch;
  patchModule = patch.module;
  AEffect* e = openEffect(&RecordingHost::callback, &patchFactory);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->uniqueID, 0x61626364);
  EXPECT_TRUE(e->flags & effFlagsCanReplacing);

  auto text = [&](int32_t opcode) {
    char buffer[128];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(e->dispatcher(e, opcode, 0, 0, buffer, 0), 1);
    return std::string(buffer);
  };
  EXPECT_EQ(text(effGetEffectName), "Test Synth");
  EXPECT_EQ(text(effGetProductString), "Test Product");
  EXPECT_EQ(close(e), 1);
}

}  // namespace
}  // namespace kv::test
