// The application object: refresh queue, retries, messages, tables, file names, and the
// engine's start and stop as the host and editing commands drive them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <thread>

#include "engine/lookup_table.h"
#include "modules/registry/module_registry.h"
#include "tests/support/offline_render.h"
#include "tests/support/patch_builder.h"

namespace kv::test {
namespace {

using ::testing::ElementsAre;

struct Counted : Refreshable {
  int refreshes = 0;
  CKorvaneAppBase* requeue_into = nullptr;
  void refresh() override {
    ++refreshes;
    if (requeue_into) {
      requeue_into->QueueRefresh(this);  // a refresh may queue again (no lock is held)
      requeue_into = nullptr;
    }
  }
};

struct Retrying : Retryable {
  int tries = 0;
  int succeed_at = 3;
  bool Retry() override { return ++tries < succeed_at; }
};

struct AppFixture {
  MessageService messages;
  MessageServiceScope scope{messages};
  CKorvaneAppVST app;
  AppFixture() { messages.setLogToStderr(false); }
};

TEST(App, RefreshQueueRetriesAndMessages) {
  AppFixture f;
  Counted a, b;
  f.app.QueueRefresh(&a);
  f.app.QueueRefresh(&a);  // queued once
  f.app.QueueRefresh(&b);
  f.app.ForgetRefreshable(&b);  // an object going away is not refreshed
  a.requeue_into = &f.app;
  f.app.ServiceRefreshQueue();
  EXPECT_EQ(a.refreshes, 1);
  EXPECT_EQ(b.refreshes, 0);
  f.app.ServiceRefreshQueue();
  EXPECT_EQ(a.refreshes, 2) << "queued again from its own refresh";

  Retrying r;
  f.app.QueueRetry(&r);  // on the user-interface thread: tried at once
  EXPECT_EQ(r.tries, 1);
  f.app.QueueRetry(&r);  // tried again, still listed once
  EXPECT_EQ(r.tries, 2);
  f.app.ServiceRefreshQueue();  // third try succeeds and leaves the list
  f.app.ServiceRefreshQueue();
  EXPECT_EQ(r.tries, 3);
  Retrying other;
  std::thread([&] { f.app.QueueRetry(&other); }).join();  // another thread only appends
  EXPECT_EQ(other.tries, 0);
  f.app.ServiceRefreshQueue();
  EXPECT_EQ(other.tries, 1);
  f.app.ForgetRetryable(&other);

  f.app.PostModuleMessage("Osc : no file");
  EXPECT_TRUE(f.messages.shownTexts().empty());
  f.app.ServiceRefreshQueue();
  EXPECT_THAT(f.messages.shownTexts(), ElementsAre("Osc : no file"));
}

TEST(App, LookupTablesAreSharedByNameAndRefilledForAnotherSize) {
  AppFixture f;
  LookupTable* t = f.app.GetLookupTable("curve", 512, false);
  t->initialised = true;
  EXPECT_EQ(f.app.GetLookupTable("curve", 512, false), t);
  EXPECT_TRUE(t->initialised);
  EXPECT_EQ(f.app.GetLookupTable("curve", 1024, false), t);
  EXPECT_FALSE(t->initialised) << "another size: the first user fills it again";
  EXPECT_NE(f.app.GetLookupTable("other", 512, true), t);
}

TEST(App, FileNamesAndEmbeddedFiles) {
  AppFixture f;
  const std::string wav = GetModuleRegistry().GetDefaultFolder("wav");
  const struct {
    const char* name;
    std::string expected;
  } cases[] = {
      {"song", wav + "song.wav"},
      {"song.aif", wav + "song.aif"},
      {"sub\\take", wav + "sub/take.wav"},
      {"/abs/x.wav", "/abs/x.wav"},
      {"/dir.v2/take", "/dir.v2/take.wav"},  // a dot in a folder name is no extension
      {"C:\\Samples\\kick.wav", wav + "kick.wav"},  // a Windows path that does not exist here
  };
  for (const auto& c : cases) EXPECT_EQ(f.app.ResolveFileName(c.name, "wav"), c.expected) << c.name;

  EXPECT_EQ(f.app.OpenFile("missing-file", "wav"), nullptr);
  f.app.SetEmbeddedFileLookup([](const std::string& name, std::string& bytes) {
    if (name != "Kick.WAV" && name != "kick.wav") return false;
    bytes = "RIFF";
    return true;
  });
  auto in = f.app.OpenFile("C:\\Samples\\Kick.WAV", "wav");
  ASSERT_NE(in, nullptr);
  std::string got;
  *in >> got;
  EXPECT_EQ(got, "RIFF");
  EXPECT_EQ(f.app.OpenFile("..", "wav"), nullptr);

  using namespace std::string_literals;
  EXPECT_EQ(CKorvaneAppBase::BuildFileFilter("Wave Files", "wav"),
            "Wave Files (*.wav)\0*.wav\0All Files (*.*)\0*.*\0\0"s);
  EXPECT_EQ(CKorvaneAppBase::BuildFileFilter("Images", "bmp"),
            "Images (*.bmp,*.png)\0*.bmp;*.png\0All Files (*.*)\0*.*\0\0"s);
}

TEST(App, HostOutputsAreWrittenWithoutAnEngine) {
  AppFixture f;
  float buf[2][64];
  float* out[2] = {buf[0], buf[1]};
  std::fill(&buf[0][0], &buf[0][0] + 128, 7.0f);
  f.app.ProcessHostCall(nullptr, 0, out, 2, 64, /*replacing=*/false);
  EXPECT_EQ(buf[1][63], 7.0f) << "accumulating: nothing added";
  f.app.ProcessHostCall(nullptr, 0, out, 2, 64, /*replacing=*/true);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < 64; ++i) ASSERT_EQ(buf[c][i], 0.0f);
}

// Host parameter requests wait outside the engine until a call runs one: a request made
// while the engine is being replaced reaches the new engine, and each is handed over once.
TEST(App, HostParameterRequestsReachTheNextRunningEngine) {
  PatchBuilder b;
  CUG* ramp = b.Add("Test Ramp", "Ramp");
  PatchBuilder::ExportOutput(b.patch(), ramp, "Out");
  OfflineRender r(b.Take(), 44100.0f, 64, 0, 1);
  ASSERT_TRUE(r.started());
  int applied = 0;
  HostParameterProbe probe([&] { ++applied; });
  r.app().AttachPlugin(&probe);
  float buf[64];
  float* out[1] = {buf};
  auto call = [&] { r.app().ProcessHostCall(nullptr, 0, out, 1, 64, true); };

  call();
  EXPECT_EQ(applied, 0);
  r.app().RequestHostParameters();
  call();
  call();
  EXPECT_EQ(applied, 1);

  struct Replacement {
    const char* what;
    std::function<void(CKorvaneAppVST&)> stop;
  };
  const Replacement replacements[] = {
      {"host suspend", [](CKorvaneAppVST& a) { a.StopEngineVst(); }},
      {"editing stop", [](CKorvaneAppVST& a) { a.StopEngine(); }},
      {"engine deleted", [](CKorvaneAppVST& a) { a.DeleteEngine(); }},
  };
  for (const Replacement& k : replacements) {
    const int before = applied;
    k.stop(r.app());
    r.app().RequestHostParameters();
    call();  // no engine runs: the request waits
    EXPECT_EQ(applied, before) << k.what;
    ASSERT_TRUE(r.app().StartEngineVst(r.app().GetPatchRoot())) << k.what;
    call();
    call();
    EXPECT_EQ(applied, before + 1) << k.what;
  }
}

}  // namespace
}  // namespace kv::test
