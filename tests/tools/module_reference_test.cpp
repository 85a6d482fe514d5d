// `korvane-patch modules` and docs/modules.md: the module types and their plugs as a patch
// author reads them, made from the module registry.
//
// docs/modules.md is compared with the reference made in memory, so that a change to a module
// type that leaves the file behind fails here. After an intended change, rewrite the file:
//     KORVANE_REGENERATE=1 build/tests/tools/kv_patch_tool_tests --gtest_filter='ModuleReference.*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tools/patch/module_reference.h"
#include "tools/patch/patch_tool.h"

namespace kv {
namespace {

struct ToolRun {
  int status;
  std::string out, err;
};

ToolRun patchTool(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = runPatchTool(args, out, err);
  return {status, out.str(), err.str()};
}

TEST(ModuleReference, ModulesCommandListsTypesAndOneTypesPlugs) {
  const ToolRun list = patchTool({"modules"});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_NE(list.out.find("\nOscillator "), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("Oscillators"), std::string::npos);
  EXPECT_NE(list.out.find("not yet\n"), std::string::npos);  // types without a unit generator say so

  const ToolRun osc = patchTool({"modules", "Oscillator"});
  ASSERT_EQ(osc.status, 0) << osc.err;
  for (const char* line : {
           "Oscillator: legacy number 0, family Oscillators\n",
           "  \"Pitch\": input, volts, default \"5\", 0 to 10 V\n      1 Volt per Octave, 5V = Middle A\n",
           "  \"Waveform\": input, enum, default \"1\", 0 = Sine, 1 = Saw, 2 = Ramp, 3 = Triangle, 4 = Pulse, "
           "5 = White Noise, 6 = Pink Noise\n      Selects different wave shapes\n",
           "  \"Audio Out\": output, volts, default \"0\"\n",
           "  \"Freq Scale\": setting, enum, default \"0\", 0 = 1 Volt/Octave, 1 = 1 Volt/kHz\n",
       })
    EXPECT_NE(osc.out.find(line), std::string::npos) << line << "\nin\n" << osc.out;
  // Plugs in declaration order.
  EXPECT_LT(osc.out.find("\"Pitch\""), osc.out.find("\"Pulse Width\""));
  EXPECT_LT(osc.out.find("\"Audio Out\""), osc.out.find("\"Sync\""));

  // Old patches' "BI<number>" names the same type.
  EXPECT_EQ(patchTool({"modules", "BI13"}).out, patchTool({"modules", "VCA"}).out);

  const ToolRun misspelt = patchTool({"modules", "oscilator"});
  EXPECT_EQ(misspelt.status, 1);
  EXPECT_EQ(misspelt.out, "");
  EXPECT_EQ(misspelt.err, "korvane-patch: no module type \"oscilator\"; did you mean \"Oscillator\"?\n");
  EXPECT_EQ(patchTool({"modules", "Qwxyz"}).err, "korvane-patch: no module type \"Qwxyz\"\n");
  EXPECT_EQ(patchTool({"modules", "VCA", "ADSR"}).status, 2);
}

TEST(ModuleReference, JsonCarriesTheSameFacts) {
  const std::vector<ModuleFacts> all = moduleReference();
  const ToolRun list = patchTool({"modules", "--json"});
  ASSERT_EQ(list.status, 0) << list.err;
  const nlohmann::json types = nlohmann::json::parse(list.out);
  ASSERT_EQ(types.size(), all.size());
  for (size_t i = 0; i < all.size(); ++i) {
    SCOPED_TRACE(all[i].id);
    EXPECT_EQ(types[i]["id"], all[i].id);
    EXPECT_EQ(types[i]["legacy_number"], all[i].legacy_number);
    EXPECT_EQ(types[i]["unit_generator"], all[i].has_unit_generator);
    if (all[i].has_unit_generator) EXPECT_EQ(types[i]["family"], all[i].family);
    else EXPECT_TRUE(types[i]["family"].is_null());
  }

  for (const char* id : {"Oscillator", "List Entry", "Delay"}) {
    SCOPED_TRACE(id);
    const ToolRun one = patchTool({"modules", id, "--json"});
    ASSERT_EQ(one.status, 0) << one.err;
    const nlohmann::json type = nlohmann::json::parse(one.out);
    const ModuleFacts* want = findModuleFacts(all, id);
    ASSERT_NE(want, nullptr);
    EXPECT_EQ(type["id"], want->id);
    ASSERT_EQ(type["plugs"].size(), want->plugs.size());
    for (size_t i = 0; i < want->plugs.size(); ++i) {
      const nlohmann::json& p = type["plugs"][i];
      const PlugFacts& w = want->plugs[i];
      EXPECT_EQ(p["name"], w.name);
      EXPECT_EQ(p["direction"], w.direction);
      EXPECT_EQ(p["datatype"], w.datatype);
      EXPECT_EQ(p["default"], w.default_value);
      EXPECT_EQ(p["range"], w.range);
      EXPECT_EQ(p["help"], w.help);
    }
  }
  const nlohmann::json osc = nlohmann::json::parse(patchTool({"modules", "Oscillator", "--json"}).out);
  EXPECT_EQ(osc["plugs"][0]["name"], "Pitch");
  EXPECT_EQ(osc["plugs"][0]["default"], "5");
  EXPECT_EQ(osc["plugs"][0]["help"], "1 Volt per Octave, 5V = Middle A");
}

TEST(ModuleReference, DocsModulesMatchesTheRegistry) {
  const std::string reference = moduleReferenceMarkdown(moduleReference());
  const char* source = std::getenv("KORVANE_SOURCE_DIR");
  const std::filesystem::path path = std::filesystem::path(source ? source : ".") / "docs/modules.md";
  const char* regenerate = std::getenv("KORVANE_REGENERATE");
  if (regenerate && std::string(regenerate) == "1") {
    std::ofstream(path, std::ios::binary) << reference;
    GTEST_SKIP() << "regenerated " << path;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << "missing " << path << " (KORVANE_REGENERATE=1 writes it)";
  std::stringstream want;
  want << in.rdbuf();
  // Line by line, so that a failure names the first line that moved.
  std::istringstream a(reference), b(want.str());
  std::string got_line, want_line;
  for (int line = 1;; ++line) {
    const bool more_got = static_cast<bool>(std::getline(a, got_line));
    const bool more_want = static_cast<bool>(std::getline(b, want_line));
    if (!more_got && !more_want) break;
    ASSERT_EQ(more_got ? got_line : "<end>", more_want ? want_line : "<end>")
        << "docs/modules.md line " << line << " (KORVANE_REGENERATE=1 rewrites it on purpose)";
  }
}

}  // namespace
}  // namespace kv
