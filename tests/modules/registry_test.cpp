#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "doc/model/container.h"
#include "doc/model/small_modules.h"
#include "modules/registry/builtin_modules.h"
#include "modules/registry/module_registry.h"
#include "platform/message_service.h"

namespace kv {
namespace {

TEST(Registry, LegacyNumbersTranslate) {
  ModuleRegistry& r = GetModuleRegistry();
  struct Case {
    const char* id;
    const char* found;  // null: nothing
  };
  const Case cases[] = {{"BI13", "VCA"}, {"BI0", "Oscillator"}, {"BI10", ""}, {"BI88", ""},
                        {"BI119", ""},   {"BI3", "Container"}, {"BIxyz", nullptr}, {"BI", nullptr},
                        {"BI-1", nullptr}, {"BI99999999999", nullptr}, {"VCA", "VCA"},
                        {"No Such", nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Module_Info* info = r.FindModuleInfo(c.id);
    if (!c.found) {
      EXPECT_EQ(info, nullptr);
      EXPECT_EQ(r.CreateModule(c.id), nullptr);
    } else {
      ASSERT_NE(info, nullptr);
      EXPECT_EQ(info->GetId(), c.found);
    }
  }
  // Every id of the table is registered with its number and flags.
  for (const BuiltinModule& m : BuiltinModuleTable()) {
    if (!m.id) continue;
    SCOPED_TRACE(m.id);
    Module_Info* info = r.FindModuleInfo(m.id);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->legacy_number, m.number);
    EXPECT_EQ(info->flags, m.flags);
    if (m.number >= 0 && m.number != 10 && m.number != 88)
      EXPECT_EQ(r.GetIdForLegacyNumber(m.number), m.id);
  }
}

TEST(Registry, DuplicatesNamesAndDeclarations) {
  MessageService s;
  s.setLogToStderr(false);
  MessageServiceScope scope(s);
  ModuleRegistry& r = GetModuleRegistry();
  Module_Info* first = r.FindModuleInfo("VCA");
  EXPECT_TRUE(r.RegisterModule(new Module_Info("VCA", nullptr, nullptr, 0)));
  EXPECT_TRUE(r.RegisterModule(new Module_Info("", nullptr, nullptr, 0)));  // silent
  EXPECT_THAT(s.shownTexts(), ::testing::ElementsAre("RegisterModule Error. Module found twice. VCA"));
  EXPECT_EQ(r.FindModuleInfo("VCA"), first);

  EXPECT_EQ(r.FindModuleInfo("Oscillator")->GetName(), "Oscillator");
  EXPECT_EQ(r.FindModuleInfo("Oscillator")->GetGroup(), "Waveform");
  EXPECT_EQ(r.FindModuleInfo("ADSR")->GetName(), "ADSR");
  EXPECT_EQ(r.FindModuleInfo("Phase Dist Osc")->GetName(), "Phase Dist Osc");
  EXPECT_EQ(r.FindModuleInfo("8 Stage Env")->GetName(), "");  // string id without text
  EXPECT_EQ(r.FindModuleInfo("VCA")->GetName(), "VCA");

  // Container and IO module declare their plugs; the construction rule of declarations.
  const auto& c = r.FindModuleInfo("Container")->declarations;
  ASSERT_EQ(c.size(), 4u);
  EXPECT_EQ(c[0].name, "Spare");
  EXPECT_EQ(c[0].flags, 0x04Cu);
  EXPECT_EQ(c[3].choices, "Off,On Panel,On Module");
  EXPECT_EQ(r.FindModuleInfo("IO Mod")->declarations.size(), 1u);
  EXPECT_EQ(InterfaceObject(nullptr, dt_volts, nullptr, DR_IN, "", "x", "0", "", 0).flags, 0x001u);
  EXPECT_EQ(InterfaceObject(nullptr, dt_volts, nullptr, DR_IN, "", "x", "0", "", 0x200).flags, 0x200u);
}

TEST(Registry, TypesWithoutUnitGeneratorsYet) {
  // Module families come later: until then every type is registered without a unit
  // generator and makes its document object only.
  ModuleRegistry& r = GetModuleRegistry();
  for (const BuiltinModule& m : BuiltinModuleTable()) {
    if (!m.id) continue;
    Module_Info* info = r.FindModuleInfo(m.id);
    EXPECT_EQ(info->hasUnitGenerator(), BuiltinUgFactory(m.ug_class) != nullptr) << m.id;
    EXPECT_EQ(info->CreateUG(), nullptr) << m.id;
  }
  std::unique_ptr<CDocOb> portal(r.CreateModule("Sub Panel"));
  EXPECT_NE(dynamic_cast<CPortal*>(portal.get()), nullptr);
  std::unique_ptr<CDocOb> line(r.CreateModule("Line"));
  EXPECT_NE(line, nullptr);
  std::unique_ptr<CDocOb> obs(r.CreateModule("BI45"));
  EXPECT_NE(dynamic_cast<CLED*>(obs.get()), nullptr);
}

TEST(Registry, FileTypesAndFolderScan) {
  ModuleRegistry& r = GetModuleRegistry();
  r.SetFileTypeFolders("/base");
  EXPECT_EQ(r.GetDefaultFolder("WAV"), "/base/audio/");
  EXPECT_EQ(r.GetDefaultFolder("dll"), r.GetDefaultFolder("so"));
  EXPECT_EQ(r.GetDefaultFolder("xyz"), "/base/");
  EXPECT_EQ(r.fileTypes()[2].extension, "kv1");

  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("kv_scan_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::create_directories(dir / "sub");
  std::ofstream(dir / "a.kv1") << "x";
  std::ofstream(dir / "sub" / "B.KV1") << "x";
  std::ofstream(dir / "c.txt") << "x";
  const auto before = r.libraryFiles().size();
  r.ScanFolder(dir.string() + "/", "kv1", "");
  auto files = r.libraryFiles();
  EXPECT_EQ(files.size(), before + 2);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kv
