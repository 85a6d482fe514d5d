// The module catalogue as one listing, and every unit generator in it run once.
//
// The listing holds what patches and the document rely on for every registered module type:
// id, legacy number, module flags, document class, unit generator, menu string ids and each
// plug declaration. It is compared with catalogue.txt beside this file, so that a change to
// any of it shows up in review as a diff of that file. After an intended change, regenerate
// the file on purpose:
//     KORVANE_REGENERATE=1 build/tests/modules/catalogue/kv_catalogue_test
// (the test then writes the file into the source tree and passes).
//
// Then every type that has a unit generator is created, opened and run at 44.1, 48 and
// 96 kHz, once with silence and once with a signal on its voltage inputs; its voltage
// outputs must stay finite. A module type joins both checks by being registered.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "document/model/doc_ob.h"
#include "document/model/module_factory.h"
#include "engine/unit_generator_catalogue.h"
#include "modules/registry/builtin_modules.h"
#include "modules/registry/module_registry.h"
#include "modules/registry/plug_declaration.h"
#include "tests/support/engine_rig.h"
#include "tests/support/signal_rig.h"

namespace kv {
namespace {

std::filesystem::path ListingPath() {
  const char* source = std::getenv("KORVANE_SOURCE_DIR");
  return std::filesystem::path(source ? source : ".") / "tests/modules/catalogue/catalogue.txt";
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

std::string OrDash(const std::string& name) { return name.empty() ? "-" : name; }

std::string Hex(uint32_t v) {
  std::ostringstream s;
  s << "0x" << std::hex << v;
  return s.str();
}

// The whole catalogue as text, in id order.
std::string CatalogueListing() {
  ModuleRegistry& r = GetModuleRegistry();
  std::ostringstream out;
  for (Module_Info* info : r.types()) {
    std::unique_ptr<CDocOb> made(CreateDocumentObject(*info));
    out << Quoted(info->GetId()) << "\n";
    out << "  legacy number " << info->legacy_number << ", flags " << Hex(info->flags) << "\n";
    out << "  document class " << OrDash(info->doc_class) << ", made as "
        << (made ? made->archiveClass().name : "nothing") << "\n";
    out << "  unit generator " << OrDash(info->ug_class) << (info->hasUnitGenerator() ? "" : " (not built)")
        << "\n";
    out << "  menu strings: name " << info->name_string_id << ", group " << info->group_string_id
        << "\n";
    int index = 0;
    for (const InterfaceObject& d : info->declarations) {
      out << "  plug " << index++ << " " << Quoted(d.name) << ": " << DeclarationDirectionName(d.direction) << " "
          << DeclarationDatatypeName(d.datatype) << ", default " << Quoted(d.default_value) << ", choices "
          << Quoted(d.choices) << ", flags " << Hex(d.flags) << "\n";
      if (!d.notes.empty()) out << "    notes " << Quoted(d.notes) << "\n";
    }
  }
  return out.str();
}

TEST(Catalogue, ListingMatchesTheCheckedInFile) {
  const std::string listing = CatalogueListing();
  const std::filesystem::path path = ListingPath();
  const char* regenerate = std::getenv("KORVANE_REGENERATE");
  if (regenerate && std::string(regenerate) == "1") {
    std::ofstream(path, std::ios::binary) << listing;
    GTEST_SKIP() << "regenerated " << path;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << "missing " << path << " (KORVANE_REGENERATE=1 writes it)";
  std::stringstream want;
  want << in.rdbuf();
  // Compare line by line so that a failure names the first line that moved.
  std::istringstream a(listing), b(want.str());
  std::string got_line, want_line;
  int line = 1;
  while (true) {
    const bool more_got = static_cast<bool>(std::getline(a, got_line));
    const bool more_want = static_cast<bool>(std::getline(b, want_line));
    if (!more_got && !more_want) break;
    ASSERT_EQ(more_got ? got_line : "<end>", more_want ? want_line : "<end>")
        << "catalogue.txt line " << line << " (KORVANE_REGENERATE=1 rewrites it on purpose)";
    ++line;
  }
}

// A family's registration under a misspelt or doubled class name would leave a type
// without its unit generator, or make the wrong one.
TEST(Catalogue, EveryRegisteredUnitGeneratorIsNamedOnceAndUsed) {
  std::set<std::string_view> seen;
  for (std::string_view name : BuiltinUnitGenerators().ClassNames()) {
    EXPECT_TRUE(seen.insert(name).second) << name << " registered twice";
    bool used = false;
    for (const BuiltinModule& m : BuiltinModuleTable()) used |= m.ug_class && name == m.ug_class;
    EXPECT_TRUE(used) << name << " is named by no row of the module table";
  }
}

// Every registered unit generator, wired to sources on its voltage inputs and recorders on
// its voltage outputs, run for a quarter of a second at each rate.
TEST(Catalogue, EveryUnitGeneratorRunsWithFiniteOutput) {
  ModuleRegistry& r = GetModuleRegistry();
  int ran = 0;
  for (Module_Info* info : r.types()) {
    if (!info->hasUnitGenerator()) continue;
    for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
      for (bool with_signal : {false, true}) {
        SCOPED_TRACE(info->GetId() + " at " + std::to_string(static_cast<int>(rate)) +
                     (with_signal ? " Hz with a signal" : " Hz with silence"));
        test::Engine e(512, rate);
        std::unique_ptr<ug_base> made(info->CreateUG());
        ASSERT_NE(made, nullptr);
        ug_base* u = made.get();
        u->master = &e.master;
        u->sort_order = 50;
        u->BuildPlugsFromDeclarations();
        e.top.members.push_back(u);
        e.owned.push_back(std::move(made));
        std::vector<test::Recorder*> outputs;
        for (int i = 0; i < static_cast<int>(u->plugs.size()); ++i) {
          const UPlug* p = u->plugs[i];
          if (p->data_type != dt_volts) continue;
          if (p->direction == DR_IN) {
            test::Signal* s =
                with_signal
                    ? test::Stream(e, [rate](int64_t t) {
                        return 0.5f * static_cast<float>(std::sin(2.0 * std::numbers::pi * 440.0 * t / rate));
                      })
                    : test::Constant(e, 0.0f);
            s->sort_order = 10;
            test::Wire(s, 0, u, i);
          } else if (p->direction == DR_OUT) {
            test::Recorder* rec = e.Add<test::Recorder>(90);
            test::Wire(u, i, rec, 0);
            outputs.push_back(rec);
          }
        }
        e.Start();
        test::RunCalls(e, static_cast<int64_t>(rate / 4), {512, 100, 64});
        for (test::Recorder* rec : outputs) {
          ASSERT_FALSE(rec->samples.empty());
          for (float x : rec->samples) ASSERT_TRUE(std::isfinite(x));
        }
      }
    }
    ++ran;
  }
  EXPECT_GT(ran, 0);
}

}  // namespace
}  // namespace kv
