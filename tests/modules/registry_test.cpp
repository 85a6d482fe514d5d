#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "document/model/container.h"
#include "document/model/doc_class.h"
#include "document/model/module_factory.h"
#include "document/model/plug.h"
#include "document/model/small_modules.h"
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
      EXPECT_EQ(CreateDocumentModule(c.id), nullptr);
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
    if (m.number >= 0 && m.number != 10 && m.number != 88) {
      EXPECT_EQ(r.GetIdForLegacyNumber(m.number), m.id);
    }
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
  // Module families arrive one by one: a type whose family is not built yet is registered
  // without a unit generator and makes its document object only.
  ModuleRegistry& r = GetModuleRegistry();
  int withUnitGenerator = 0;
  for (const BuiltinModule& m : BuiltinModuleTable()) {
    if (!m.id) continue;
    Module_Info* info = r.FindModuleInfo(m.id);
    const bool built = m.ug_class && BuiltinUnitGenerators().Find(m.ug_class);
    EXPECT_EQ(info->hasUnitGenerator(), built) << m.id;
    std::unique_ptr<ug_base> ug(info->CreateUG());
    EXPECT_EQ(ug != nullptr, built) << m.id;
    withUnitGenerator += built;
  }
  EXPECT_GE(withUnitGenerator, 3);
  ASSERT_TRUE(r.FindModuleInfo("ADSR")->hasUnitGenerator());
  EXPECT_EQ(r.FindModuleInfo("ADSR")->declarations.size(), 7u);
  // A built family's plug declarations come from its unit generator.
  ASSERT_TRUE(r.FindModuleInfo("Oscillator")->hasUnitGenerator());
  EXPECT_EQ(r.FindModuleInfo("Oscillator")->declarations.size(), 10u);
  EXPECT_TRUE(r.FindModuleInfo("BI80")->hasUnitGenerator());
  std::unique_ptr<CDocOb> portal(CreateDocumentModule("Sub Panel"));
  EXPECT_NE(dynamic_cast<CPortal*>(portal.get()), nullptr);
  std::unique_ptr<CDocOb> line(CreateDocumentModule("Line"));
  EXPECT_NE(line, nullptr);
  std::unique_ptr<CDocOb> obs(CreateDocumentModule("BI45"));
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

#include "engine/ug_base.h"

namespace kv {
namespace {

// A unit generator that declares three plugs with addresses inside itself.
class ug_declaring : public ug_base {
 public:
  ug_base* CreateObject() override { return new ug_declaring(); }
  void ListInterface(std::vector<InterfaceObject>& list) override {
    list.emplace_back(nullptr, dt_volts, &in_ptr, DR_IN, "", "Signal", "0", "", 0);
    list.emplace_back(&mode, dt_enum, nullptr, DR_IN, "", "Mode", "1", "A,B", 0);
    list.emplace_back(nullptr, dt_volts, &out_ptr, DR_OUT, "", "Out", "0", "", 0);
  }
  float* in_ptr = nullptr;
  float* out_ptr = nullptr;
  int16_t mode = 0;
};
ug_base* makeDeclaring() { return new ug_declaring(); }

TEST(Registry, DeclarationsComeFromTheUnitGeneratorWithoutItsAddresses) {
  ModuleRegistry& r = GetModuleRegistry();
  r.RegisterModule(new Module_Info("T Declaring", nullptr, &makeDeclaring, 0x100));
  Module_Info* info = r.FindModuleInfo("T Declaring");
  ASSERT_NE(info, nullptr);
  ASSERT_EQ(info->declarations.size(), 3u);
  EXPECT_EQ(info->declarations[0].name, "Signal");
  EXPECT_EQ(info->declarations[0].flags, 0x001u);  // construction rule
  for (const InterfaceObject& d : info->declarations) {
    EXPECT_EQ(d.io_variable, nullptr);  // the temporary unit generator is gone
    EXPECT_EQ(d.buffer_target, nullptr);
  }
  // A module made from it gets the plugs, and its unit generator points back to it.
  std::unique_ptr<CUG> m(dynamic_cast<CUG*>(CreateDocumentModule("T Declaring")));
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->plugCount(), 3);
  EXPECT_EQ(m->findPlug("Mode")->getValueText(), "1");
  std::unique_ptr<ug_base> ug(m->createRuntime());
  ASSERT_NE(ug, nullptr);
  EXPECT_EQ(ug->document_module, static_cast<DocumentModule*>(m.get()));
  EXPECT_EQ(m->describeRuntime(), "? T Declaring");
  m->setDisabled(true);
  EXPECT_EQ(m->createRuntime(), nullptr);  // a disabled module gets none
  m->clearRuntime();
}

TEST(Registry, DocumentClassesAreMadeByName) {
  struct Case {
    const char* name;
    const char* kindOf;
    bool is;
  };
  const Case cases[] = {{"CContainer", "CUG", true},        {"CContainer", "CUG_with_patches", false},
                        {"CPlugIO2", "CPlugNameable", true}, {"CPlugFeature3", "CPlug2", true},
                        {"CLine2", "CDocOb", true},          {"CPortal", "CUG", false},
                        {"CControl", "CUG", true},           {"CLED", "CDocOb", true}};
  const ClassTable& classes = documentClasses();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<Archivable> o(createByClassName(classes, c.name));
    ASSERT_NE(o, nullptr);
    EXPECT_STREQ(o->archiveClass().name, c.name);
    EXPECT_EQ(o->isKindOf(*classes.find(c.kindOf)), c.is);
  }
  EXPECT_EQ(createByClassName(classes, "CNoSuchClass"), nullptr);
  EXPECT_EQ(classes.find("ccontainer"), nullptr);  // names compare exactly
}

}  // namespace
}  // namespace kv
