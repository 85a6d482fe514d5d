// Programs of containers: switching, naming, copying, and bank and program files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "document/model/control.h"
#include "document/model/panel_controls.h"
#include "document/model/param_watcher.h"
#include "engine/number_text.h"
#include "document/presets/preset_file.h"
#include "tests/document/doc_fixture.h"

namespace kv::test {
namespace {

// Records every notice a notifier sends, with a label.
struct Log {
  std::vector<std::string> entries;
};
struct Recorder : Notifiable {
  Log* log;
  std::string label;
  Recorder(Log* l, std::string n) : log(l), label(std::move(n)) {}
  void onNotify(Notifier*, int32_t code, intptr_t) override {
    log->entries.push_back(label + ":" + std::to_string(code));
  }
};

// A control type with per-program values.
CControl* addKnob(CContainer* where, const std::string& title) {
  Module_Info* type = testType("T Program Knob",
                               {decl("Ignore Program Change", DR_PARAMETER, dt_bool, "0")});
  auto* knob = new CControl(type, CControl::kFloat);
  where->adopt(knob);
  knob->setTitle(title);
  return knob;
}

CContainer* addSub(DocFixture& f, CContainer* where, const char* showControls) {
  auto* sub = f.add<CContainer>(where, "Container", "Sub");
  sub->findPlug("Show Controls")->setValueText(showControls);
  return sub;
}

TEST(PatchMemories, SwitchingNotifiesInOrderAndSwitchesEveryShownControl) {
  DocFixture f;
  CControl* knob = addKnob(f.root, "Knob");
  CContainer* shown = addSub(f, f.root, "1");
  CContainer* hidden = addSub(f, f.root, "0");
  CControl* inner = addKnob(shown, "Inner");
  knob->SetValue(3, 7.5);
  inner->SetValue(3, 2.5);

  Log log;
  Recorder program(&log, "Program"), name(&log, "Program Name"), root(&log, "root"),
      control(&log, "knob");
  f.root->findParameter("Program")->attach(&program);
  f.root->findParameter("Program Name")->attach(&name);
  f.root->attach(&root);
  static_cast<generic_parameter*>(knob)->attach(&control);

  f.root->setProgram(3);
  EXPECT_EQ(log.entries,
            (std::vector<std::string>{"Program:31", "Program Name:31", "knob:31", "root:28"}))
      << "children hear the change in child order between the parameters and code 28";
  EXPECT_EQ(knob->GetPatchValueText(), "7.50");
  EXPECT_EQ(shown->currentProgram(), 3);
  EXPECT_EQ(inner->GetValue(), 2.5);
  EXPECT_EQ(hidden->currentProgram(), 0) << "a container not showing its controls keeps its program";

  // The current program again, or one outside 0..127, changes nothing and tells nobody.
  log.entries.clear();
  f.root->setProgram(3);
  f.root->setProgram(128);
  f.root->setProgram(-1);
  f.root->findParameter("Program")->setValueText("300");
  EXPECT_TRUE(log.entries.empty());
  EXPECT_EQ(f.root->currentProgram(), 3);
  EXPECT_EQ(f.root->findParameter("Program Name")->getValueText(), "Patch 4");

  f.root->findParameter("Program")->setValueText("5");  // the parameter switches too
  EXPECT_EQ(f.root->currentProgram(), 5);
  static_cast<generic_parameter*>(knob)->detach(&control);
  f.root->findParameter("Program")->detach(&program);
  f.root->findParameter("Program Name")->detach(&name);
  f.root->detach(&root);
}

TEST(PatchMemories, IgnoringProgramChangesKeepsOneValue) {
  DocFixture f;
  CControl* knob = addKnob(f.root, "Knob");
  knob->findPlug("Ignore Program Change")->setValueText("1");
  knob->SetValue(-1, 4.0);
  Log log;
  Recorder control(&log, "knob");
  static_cast<generic_parameter*>(knob)->attach(&control);
  f.root->setProgram(9);
  EXPECT_EQ(knob->GetValue(), 4.0);
  EXPECT_TRUE(log.entries.empty()) << "not redrawn";
  static_cast<generic_parameter*>(knob)->detach(&control);
}

TEST(PatchMemories, CopyingProgramsNamesAndValues) {
  DocFixture f;
  CControl* knob = addKnob(f.root, "Knob");
  CControl* inner = addKnob(addSub(f, f.root, "1"), "Inner");
  f.root->setProgramName(0, "Lead");
  knob->SetValue(0, 6.0);
  inner->SetValue(0, 1.0);
  f.root->copyPrograms(3, 5);
  EXPECT_EQ(f.root->programName(3), "(Copy 1) Lead");
  EXPECT_EQ(f.root->programName(4), "(Copy 2) Lead");
  EXPECT_EQ(f.root->programName(5), "(Copy 3) Lead");
  EXPECT_EQ(f.root->programName(6), "Patch 7");
  EXPECT_EQ(knob->GetValue(5), 6.0);
  EXPECT_EQ(inner->GetValue(4), 1.0) << "controls of shown sub-containers are copied too";
  EXPECT_EQ(knob->GetValue(6), 0.0);

  // The copy dialog with program 4 current (shown as 5) and the range 1 to 10.
  DocFixture g;
  CControl* k = addKnob(g.root, "K");
  g.root->setProgram(4);
  g.root->setProgramName(4, "Pad");
  k->SetValue(-1, 3.0);
  EXPECT_TRUE(g.root->copyCurrentToRange(10, 1));
  for (int p = 0; p < 10; ++p) {
    SCOPED_TRACE(p);
    EXPECT_EQ(k->GetValue(p), 3.0);
  }
  EXPECT_EQ(g.root->programName(4), "Pad") << "the current program is never overwritten";
  EXPECT_EQ(g.root->programName(0), "(Copy 1) Pad");
  EXPECT_EQ(g.root->programName(5), "(Copy 1) Pad");
  EXPECT_EQ(g.root->programName(9), "(Copy 5) Pad");
  EXPECT_EQ(k->GetValue(10), 0.0);
  EXPECT_FALSE(g.root->copyCurrentToRange(0, 5));
  EXPECT_FALSE(g.root->copyCurrentToRange(2, 129));
  EXPECT_EQ(k->GetValue(11), 0.0);
}

TEST(PatchMemories, ProgramNamesNotifyOnlyForTheCurrentProgram) {
  DocFixture f;
  Log log;
  Recorder program(&log, "Program"), name(&log, "Program Name");
  f.root->findParameter("Program")->attach(&program);
  f.root->findParameter("Program Name")->attach(&name);
  f.root->setProgramName(7, "Other");
  EXPECT_EQ(log.entries, std::vector<std::string>{"Program Name:37"});
  log.entries.clear();
  f.root->setProgramName(std::string("Bass"));
  EXPECT_EQ(log.entries,
            (std::vector<std::string>{"Program:31", "Program Name:31", "Program Name:37"}));
  EXPECT_EQ(f.root->getProgramName(), "Bass");
  EXPECT_EQ(f.root->getProgramNameAt(7), "Other");
  f.root->findParameter("Program")->detach(&program);
  f.root->findParameter("Program Name")->detach(&name);
}

// ---- bank and program files ----

// A document whose chunk is the value texts of one control: every program (bank) or the
// current one (program), separated by ';'.
struct ChunkDocument : Document {
  int32_t id = 0x41424344;
  CControl* control = nullptr;
  bool empty = false;
  int applied = 0;
  int32_t GetUniqueId() override { return id; }
  std::vector<uint8_t> containerChunk(CContainer* c, bool program) override {
    if (empty) return {};
    std::string text;
    if (program) {
      text = control->GetPatchValueText(-1);
    } else {
      for (int p = 0; p < 128; ++p) text += control->GetPatchValueText(p) + ";";
    }
    return std::vector<uint8_t>(text.begin(), text.end());
  }
  bool setContainerChunk(CContainer*, const uint8_t* data, std::size_t n, bool program) override {
    ++applied;
    std::string text(reinterpret_cast<const char*>(data), n);
    if (program) {
      control->SetPatchValueText(-1, text);
      return true;
    }
    int p = 0;
    for (std::size_t at = 0; at < text.size() && p < 128; ++p) {
      const std::size_t end = text.find(';', at);
      control->SetPatchValueText(p, text.substr(at, end - at));
      at = end == std::string::npos ? text.size() : end + 1;
    }
    return true;
  }
};

struct FileFixture : ::testing::Test {
  MessageService messages;
  MessageServiceScope scope{messages};
  ChunkDocument doc;
  CContainer* root = nullptr;
  CControl* knob = nullptr;
  std::filesystem::path dir;

  void SetUp() override {
    messages.setLogToStderr(false);
    registerTestTypes();
    root = new CContainer(GetModuleRegistry().FindModuleInfo("Container"));
    doc.setRoot(root);
    knob = addKnob(root, "Knob");
    doc.control = knob;
    dir = std::filesystem::temp_directory_path() /
          ("kv_presets_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string path(const char* name) const { return (dir / name).string(); }
  static std::vector<uint8_t> bytesOf(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void write(const std::string& p, const std::vector<uint8_t>& bytes) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
};

TEST_F(FileFixture, BankRoundTripsIntoTheSamePatch) {
  for (int p = 0; p < 128; ++p) knob->SetValue(p, p * 0.5);
  ASSERT_TRUE(root->saveBank(path("all")));  // the extension is added
  const auto bytes = bytesOf(path("all.fxb"));
  ASSERT_GT(bytes.size(), kBankHeaderSize);
  EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 12), "FBCh");
  for (int p = 0; p < 128; ++p) knob->SetValue(p, 0.0);
  ASSERT_TRUE(root->loadBank(path("all.fxb")));
  EXPECT_EQ(knob->GetValue(0), 0.0);
  EXPECT_EQ(knob->GetValue(7), 3.5);
  EXPECT_EQ(knob->GetValue(127), 63.5);
  EXPECT_TRUE(messages.shownTexts().empty());
}

TEST_F(FileFixture, ProgramFileCarriesTheNameCutToTwentyCharacters) {
  root->setProgramName(std::string("A name of 25 characters!!"));
  knob->SetValue(-1, 9.0);
  ASSERT_TRUE(root->saveProgram(path("one.fxp")));
  const auto bytes = bytesOf(path("one.fxp"));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[28])), "A name of 25 charact");
  root->setProgram(2);
  ASSERT_TRUE(root->loadProgram(path("one.fxp")));
  EXPECT_EQ(root->getProgramName(), "A name of 25 charact");
  EXPECT_EQ(knob->GetValue(2), 9.0);
}

TEST_F(FileFixture, ForeignOrDamagedFilesChangeNothing) {
  knob->SetValue(0, 1.0);
  ASSERT_TRUE(root->saveBank(path("mine.fxb")));
  ASSERT_TRUE(root->saveProgram(path("mine.fxp")));
  const auto bank = bytesOf(path("mine.fxb"));
  knob->SetValue(0, 2.0);

  auto refused = [&](const std::vector<uint8_t>& bytes, bool program) {
    write(path("x.bin"), bytes);
    messages.clearShown();
    const int before = doc.applied;
    const bool loaded = program ? root->loadProgram(path("x.bin")) : root->loadBank(path("x.bin"));
    EXPECT_FALSE(loaded);
    EXPECT_EQ(doc.applied, before);
    EXPECT_EQ(messages.shownTexts(), std::vector<std::string>{"This file not compatible\n"});
  };
  auto foreign = bank;
  foreign[19] ^= 1;  // another plug-in's id
  refused(foreign, false);
  refused(bank, true);  // a bank offered as a program
  refused(std::vector<uint8_t>(bank.begin(), bank.begin() + 100), false);  // cut in the header
  refused(std::vector<uint8_t>(bank.begin(), bank.end() - 1), false);       // cut in the chunk
  auto zero = bank;
  zero[156] = zero[157] = zero[158] = zero[159] = 0;
  refused(zero, false);
  auto huge = bank;
  huge[156] = 0x7F;
  refused(huge, false);
  EXPECT_EQ(knob->GetValue(0), 2.0);

  // A file made for every patch, or a module that takes every file, loads.
  auto generic = bank;
  generic[16] = 'K', generic[17] = 'V', generic[18] = 'd', generic[19] = 't';
  write(path("generic.fxb"), generic);
  EXPECT_TRUE(root->loadBank(path("generic.fxb")));
  EXPECT_EQ(knob->GetValue(0), 1.0);
  knob->SetValue(0, 2.0);
  doc.id = kGenericPresetId;
  EXPECT_TRUE(root->loadBank(path("mine.fxb")));
  EXPECT_EQ(knob->GetValue(0), 1.0);

  messages.clearShown();
  EXPECT_FALSE(root->loadBank(path("missing.fxb")));
  EXPECT_EQ(messages.shownTexts(), std::vector<std::string>{"Couldn't open file.\n"});
}

TEST_F(FileFixture, SavingNothingNeverTouchesAnExistingFile) {
  ASSERT_TRUE(root->saveBank(path("keep.fxb")));
  const auto before = bytesOf(path("keep.fxb"));
  doc.empty = true;
  EXPECT_FALSE(root->saveBank(path("keep.fxb")));
  EXPECT_EQ(messages.shownTexts(), std::vector<std::string>{"Save Disabled by plugin"});
  EXPECT_EQ(bytesOf(path("keep.fxb")), before);
  EXPECT_FALSE(std::filesystem::exists(path("keep.fxb.part")));

  messages.clearShown();
  doc.empty = false;
  EXPECT_FALSE(root->saveBank(path("no/such/folder/x.fxb")));
  EXPECT_EQ(messages.shownTexts(), std::vector<std::string>{"Couldn't open file.\n"});

  // The file commands without a file name ask the document, which has no dialog here.
  messages.clearShown();
  root->onCommand(kCmdSaveBank);
  root->onCommand(kCmdLoadProgram);
  EXPECT_TRUE(messages.shownTexts().empty());
}

}  // namespace
}  // namespace kv::test
