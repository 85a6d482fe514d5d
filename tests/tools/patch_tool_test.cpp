// korvane-patch end to end: a patch written in the text form, built into a copy of the
// plug-in, loads when a host calls `main` on the built library; the same patch as a ".dat"
// beside a plain copy of the plug-in loads too. The host sees the patch container's title and
// the patch's unique id.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <cstdlib>
#include <sstream>

#include "document/korvane_doc_vst.h"
#include "document/model/container.h"
#include "document/model/line.h"
#include "korvane_version.h"
#include "platform/dynamic_library.h"
#include "platform/elf_section_reader.h"
#include "platform/message_service.h"
#include "platform/vst/aeffect.h"
#include "tools/patch/patch_tool.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

intptr_t hostCallback(vst::AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == vst::audioMasterVersion ? 2400 : 0;
}

struct Tool {
  std::ostringstream out, err;
  int run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return runPatchTool(args, out, err);
  }
};

struct PatchToolTest : ::testing::Test {
  fs::path dir = fs::temp_directory_path() /
                 ("kv_patch_tool_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  std::string synth = std::string(KV_TOOLS_FIXTURES) + "/synth.json";
  Tool tool;
  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string at(const std::string& name) const { return (dir / name).string(); }
  static std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // What a host sees of the library at `path`: null, or the effect name and unique id.
  struct Seen {
    bool loaded = false;
    std::string name;
    int32_t id = 0;
  };
  Seen host(const std::string& path) {
    Seen seen;
    DynamicLibrary lib;
    std::string error;
    if (!lib.open(path, error)) {
      ADD_FAILURE() << error;
      return seen;
    }
    using Main = vst::AEffect* (*)(vst::audioMasterCallback);
    auto entry = reinterpret_cast<Main>(lib.symbol("main"));
    if (!entry) return seen;
    vst::AEffect* e = entry(&hostCallback);
    if (!e) return seen;
    seen.loaded = true;
    seen.id = e->uniqueID;
    char name[64] = {};
    e->dispatcher(e, vst::effGetEffectName, 0, 0, name, 0);
    seen.name = name;
    e->dispatcher(e, vst::effClose, 0, 0, nullptr, 0);
    return seen;
  }
};

TEST_F(PatchToolTest, BuiltLibraryAndDataFileBothLoadInAHost) {
  ASSERT_EQ(tool.run({"build", synth, "-o", at("synth.so"), "--plugin", KV_PLUGIN}), 0) << tool.err.str();
  Seen built = host(at("synth.so"));
  EXPECT_TRUE(built.loaded);
  EXPECT_EQ(built.name, "Test Synth");
  EXPECT_EQ(built.id, 0x4B765379);  // "KvSy"

  // The archive comes back out unchanged, and as a ".dat" beside a plain copy it loads too.
  ASSERT_EQ(tool.run({"compile", synth, "-o", at("synth.kv1")}), 0) << tool.err.str();
  ASSERT_EQ(tool.run({"extract", at("synth.so"), "-o", at("extracted.kv1")}), 0) << tool.err.str();
  std::ifstream a(at("synth.kv1"), std::ios::binary), b(at("extracted.kv1"), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}), std::string(std::istreambuf_iterator<char>(b), {}));

  fs::copy_file(KV_PLUGIN, at("plain.so"));
  EXPECT_FALSE(host(at("plain.so")).loaded);  // no patch anywhere: main answers null
  fs::copy_file(at("synth.kv1"), at("plain.dat"));
  Seen beside = host(at("plain.so"));
  EXPECT_TRUE(beside.loaded);
  EXPECT_EQ(beside.name, "Test Synth");
  EXPECT_EQ(beside.id, 0x4B765379);

  EXPECT_EQ(tool.run({"check", at("synth.so")}), 0) << tool.err.str();
  EXPECT_NE(tool.out.str().find("loaded \"Test Synth\", unique id \"KvSy\""), std::string::npos) << tool.out.str();
}

TEST_F(PatchToolTest, DumpOfACompiledPatchCompilesToTheSameBytes) {
  ASSERT_EQ(tool.run({"compile", synth, "-o", at("a.kv1")}), 0) << tool.err.str();
  ASSERT_EQ(tool.run({"dump", at("a.kv1"), "-o", at("a.json")}), 0) << tool.err.str();
  ASSERT_EQ(tool.run({"compile", at("a.json"), "-o", at("b.kv1")}), 0) << tool.err.str();
  std::ifstream a(at("a.kv1"), std::ios::binary), b(at("b.kv1"), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}), std::string(std::istreambuf_iterator<char>(b), {}));
}

// Another writer may store a container's IO module after its other modules: the text form
// keeps the stored order, so dump -> compile -> dump gives the same text and the same bytes.
TEST_F(PatchToolTest, ChildOrderSurvivesDumpAndCompile) {
  ASSERT_EQ(tool.run({"compile", std::string(KV_TOOLS_FIXTURES) + "/minimal.json", "-o", at("made.kv1")}), 0)
      << tool.err.str();
  std::vector<uint8_t> made;
  {
    const std::string bytes = contents(at("made.kv1"));
    made.assign(bytes.begin(), bytes.end());
  }
  MessageService messages;
  messages.setLogToStderr(false);
  MessageServiceScope scope(messages);
  CKorvaneDocVST doc;
  std::unique_ptr<CContainer> root;
  ASSERT_TRUE(doc.ReadHeader(made, root, true));
  doc.setRoot(root.release());
  CContainer* patch = doc.GetPatchContainer();
  ASSERT_NE(patch, nullptr);
  CUG* io = patch->existingIOModule();
  ASSERT_NE(io, nullptr);
  ASSERT_EQ(patch->children().front(), io);  // where the editor puts it
  // The IO module moves behind the other modules; the connections stay last.
  patch->release(io);
  patch->adoptAtEnd(io);
  std::vector<CDocOb*> lines;
  for (CDocOb* c : patch->children())
    if (dynamic_cast<CLine2*>(c)) lines.push_back(c);
  for (CDocOb* l : lines) {
    patch->release(l);
    patch->adoptAtEnd(l);
  }
  const std::vector<uint8_t> other = doc.SavePatch();
  std::ofstream(at("other.kv1"), std::ios::binary).write(reinterpret_cast<const char*>(other.data()),
                                                           static_cast<std::streamsize>(other.size()));

  ASSERT_EQ(tool.run({"dump", at("other.kv1"), "-o", at("first.json")}), 0) << tool.err.str();
  ASSERT_EQ(tool.run({"compile", at("first.json"), "-o", at("again.kv1")}), 0) << tool.err.str();
  ASSERT_EQ(tool.run({"dump", at("again.kv1"), "-o", at("second.json")}), 0) << tool.err.str();
  const std::string first = contents(at("first.json"));
  EXPECT_EQ(contents(at("second.json")), first);
  EXPECT_EQ(contents(at("again.kv1")), contents(at("other.kv1")));
  EXPECT_GT(first.find("\"IO Mod\""), first.find("\"VCA\"")) << first;
}

// Users receive stripped plug-ins with the debug information kept apart; the patch section is
// written as well into a library stripped before as into one with everything in it.
TEST_F(PatchToolTest, BuildWritesAStrippedLibraryWithItsDebugFileBeside) {
  ASSERT_EQ(tool.run({"build", synth, "-o", at("synth.so"), "--plugin", KV_PLUGIN}), 0) << tool.err.str();
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  // The sizes users see hold for the optimised build; instrumented builds carry far more code.
  EXPECT_LT(fs::file_size(at("synth.so")), 3u << 20);
  EXPECT_GT(fs::file_size(at("synth.so.debug")), fs::file_size(at("synth.so")));
#endif
  const ElfSection link = readElfSection(at("synth.so"), ".gnu_debuglink");
  ASSERT_EQ(link.status, ElfSection::Status::kFound);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(link.bytes.data())), "synth.so.debug");
  Seen built = host(at("synth.so"));
  EXPECT_TRUE(built.loaded);
  EXPECT_EQ(built.id, 0x4B765379);
  ASSERT_EQ(tool.run({"check", at("synth.so")}), 0) << tool.err.str();
  EXPECT_NE(tool.out.str().find(std::string("built by korvane-patch ") + kKorvaneVersion), std::string::npos)
      << tool.out.str();

  // A debugger finds the debug file through the link and names source lines.
  const std::string gdb = "gdb -nx -batch -ex 'info line VSTPluginMain' '" + at("synth.so") + "' >'" +
                          at("gdb.txt") + "' 2>&1";
  ASSERT_EQ(std::system(gdb.c_str()), 0);
  EXPECT_NE(contents(at("gdb.txt")).find("vst_main.cpp"), std::string::npos) << contents(at("gdb.txt"));

  // --keep-debug: everything stays, and no debug file is written.
  ASSERT_EQ(tool.run({"build", synth, "-o", at("full.so"), "--plugin", KV_PLUGIN, "--keep-debug"}), 0);
  EXPECT_GT(fs::file_size(at("full.so")), fs::file_size(at("synth.so")));
  EXPECT_FALSE(fs::exists(at("full.so.debug")));

  // From a plug-in that was stripped already, kept as it is.
  const std::string strip = "objcopy --strip-debug --strip-unneeded '" + std::string(KV_PLUGIN) + "' '" +
                            at("stripped-korvane.so") + "'";
  ASSERT_EQ(std::system(strip.c_str()), 0);
  ASSERT_EQ(tool.run({"build", synth, "-o", at("again.so"), "--plugin", at("stripped-korvane.so"), "--keep-debug"}), 0)
      << tool.err.str();
  EXPECT_TRUE(host(at("again.so")).loaded);
  ASSERT_EQ(tool.run({"extract", at("again.so"), "-o", at("again.kv1")}), 0) << tool.err.str();
  ASSERT_EQ(tool.run({"extract", at("synth.so"), "-o", at("synth.kv1")}), 0) << tool.err.str();
  EXPECT_EQ(contents(at("again.kv1")), contents(at("synth.kv1")));

  ASSERT_EQ(tool.run({"--version"}), 0);
  EXPECT_EQ(tool.out.str(), std::string("korvane-patch ") + kKorvaneVersion + "\n");
}

TEST_F(PatchToolTest, RefusalsSayWhyAndWriteNothing) {
  std::ofstream(at("no_id.json")) << R"({"root": {"children": [{"type": "Container", "title": "X"}]}})";
  EXPECT_EQ(tool.run({"build", at("no_id.json"), "-o", at("x.so"), "--plugin", KV_PLUGIN}), 1);
  EXPECT_NE(tool.err.str().find("no unique id"), std::string::npos) << tool.err.str();
  EXPECT_FALSE(fs::exists(at("x.so")));

  std::ofstream(at("bad.json")) << "{\n  \"root\": {\"children\": [{\"type\": \"Nope\"}]}\n}";
  EXPECT_EQ(tool.run({"compile", at("bad.json"), "-o", at("bad.kv1")}), 1);
  EXPECT_NE(tool.err.str().find("line 2: unknown module type \"Nope\""), std::string::npos) << tool.err.str();
  EXPECT_FALSE(fs::exists(at("bad.kv1")));

  // A damaged ".dat" beside a library: check prints the load's message and fails.
  ASSERT_EQ(tool.run({"compile", synth, "-o", at("ok.kv1")}), 0);
  std::vector<char> bytes((std::istreambuf_iterator<char>(std::ifstream(at("ok.kv1"), std::ios::binary).rdbuf())), {});
  bytes.resize(bytes.size() / 2);
  std::ofstream(at("plain.dat"), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  fs::copy_file(KV_PLUGIN, at("plain.so"));
  EXPECT_EQ(tool.run({"check", at("plain.so")}), 1);
  EXPECT_NE(tool.err.str().find("damaged"), std::string::npos) << tool.err.str();

  EXPECT_EQ(tool.run({"extract", at("plain.so")}), 1);  // a plain copy holds no patch
  EXPECT_EQ(tool.run({"frobnicate"}), 2);
  EXPECT_EQ(tool.run({"compile", synth}), 2);  // no -o
}

}  // namespace
}  // namespace kv
