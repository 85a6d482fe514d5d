// Loading whole patches into the plug-in's document: the header items each file version
// holds (golden streams spelled out with the independent byte builder), the refusal of newer
// streams, clean failure on every truncation, the patch bytes found beside the plug-in, the
// unique id, and the undo snapshots of the root.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "document/archive/archive_writer.h"
#include "document/korvane_doc_vst.h"
#include "document/model/container.h"
#include "platform/message_service.h"
#include "tests/document/archive/raw_bytes.h"

namespace kv {
namespace {

using test::RawBytes;

using Stream = test::ObjectStream;

// A container record without plugs at file version v (type "Container", legacy number 3);
// `children` writes `n` child slots.
void container(Stream& s, int32_t v, const std::string& title, int32_t n,
               const std::function<void()>& children = {}) {
  s.object("CContainer", 0x5F);
  if (v < 79) s.b.i32(3); else s.b.text("Container");
  if (v < 59) s.b.null();
  s.b.count(0).text(title).i16(0);
  s.rect(1, 2, 3, 4);
  s.b.i32(n);
  if (children) children();
  if (v > 94950) s.rect(0, 0, 0, 0);
  s.rect(30, 30, 530, 330);
  s.rect(0, 0, 500, 400);
  s.b.i32(0).i32(0).i32(0).i32(0);  // scroll points
  s.b.i32(0);                       // view flags
  if (v >= 48) s.b.text("default");
  if (v >= 50) s.b.count(0).i32(0);
  if (v > 94950) s.b.u8(0);
}

// A whole patch at file version v: every header item the version holds, with values that
// tell the items apart, then a root holding the patch container "My Synth".
std::vector<uint8_t> patchBytes(int32_t v, const std::string& synth_title = "My Synth") {
  Stream s;
  s.b.i32(v);
  if (v > 82) {
    s.b.count(2);
    s.object("imbedded_file");
    s.b.text("a.wav").i32(3).hex("01 02 03");
    s.object("imbedded_file");
    s.b.text("b.txt").i32(0);
  }
  if (15 < v && v < 49) s.b.text("ignored 3");
  if (20 < v && v < 48) s.b.repeat(0xEE, 180);
  s.b.text("Title");
  if (v > 8) s.b.i32(1);
  if (19 < v && v < 94960) s.b.i32(77);
  if (v > 44) s.b.i32(5);
  if (v > 55) s.b.text("abcd");
  if (v > 61) s.b.text("text 1");
  if (v > 57) s.b.i32(1).text("text 2");
  if (v > 63) s.b.i32(0);
  if (v > 56) s.b.i32(640).i32(480);
  if (v > 68) s.b.i32(3).i32(8);
  if (v > 70) s.b.text("text 3");
  if (v > 85) s.b.text("text 4");
  if (68 < v && v < 94400) s.b.text("ignored 17");
  if (v > 68) s.b.text("Product");
  if (v > 55) s.b.i32(0);
  container(s, v, "Main", 1, [&] { container(s, v, synth_title, 0); });
  if (10 < v && v < 16) s.b.text("ignored 21");
  return s.b.bytes();
}

struct DocTest : ::testing::Test {
  MessageService messages;
  MessageServiceScope scope{messages};
  CKorvaneDocVST doc;

  DocTest() { messages.setLogToStderr(false); }

  bool read(const std::vector<uint8_t>& bytes, bool own = true) {
    std::unique_ptr<CContainer> root;
    if (!doc.ReadHeader(bytes, root, own)) return false;
    doc.setRoot(root.release());
    return true;
  }
};

// What a stream of version v must leave in the document, item by item (own patch).
TEST_F(DocTest, HeaderItemsFollowTheFileVersion) {
  for (int32_t v : {37, 45, 50, 56, 57, 58, 62, 64, 69, 71, 83, 86, 94399, 94400, 94959, 94960, 95081}) {
    SCOPED_TRACE(v);
    CKorvaneDocVST fresh;
    std::unique_ptr<CContainer> root;
    ASSERT_TRUE(fresh.ReadHeader(patchBytes(v), root, true)) << messages.shownTexts().back();
    const PatchHeader& h = fresh.header();
    EXPECT_EQ(h.unique_id_text, v > 55 ? "abcd" : "");
    EXPECT_EQ(h.header_flag_2, v > 57);
    EXPECT_EQ(h.header_text_2, v > 57 ? "text 2" : "");
    EXPECT_EQ(h.mono_capable, v <= 63);
    EXPECT_EQ(h.editor_size, (v > 56 ? EditorSize{640, 480} : EditorSize{0, 0}));
    EXPECT_EQ(h.plugin_flags, v > 68 ? 3 : 0);
    EXPECT_EQ(h.program_count, v > 68 ? 8 : 16);
    EXPECT_EQ(h.header_text_3, v > 70 ? "text 3" : "");
    EXPECT_EQ(h.header_text_4, v > 85 ? "text 4" : "");
    EXPECT_EQ(h.product_text, v > 68 ? "Product" : "");
    EXPECT_EQ(fresh.embeddedFiles().size(), v > 82 ? 2u : 0u);
    // Not stored for the plug-in's own patch.
    EXPECT_EQ(fresh.GetDocTitle(), "");
    EXPECT_FALSE(h.header_flag);
    EXPECT_EQ(h.header_text_1, "");
    EXPECT_EQ(fresh.option_byte(), 0);
    EXPECT_EQ(fresh.file_version(), kCurrentFileVersion);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->getTitle(), "Main");
    EXPECT_EQ(root->ownDocument(), &fresh);
  }
}

TEST_F(DocTest, PatchFromAnotherModuleStoresTitleFlagTextAndOption) {
  ASSERT_TRUE(read(patchBytes(95081), false));
  EXPECT_EQ(doc.GetDocTitle(), "Title");
  EXPECT_TRUE(doc.header().header_flag);
  EXPECT_EQ(doc.header().header_text_1, "text 1");
  EXPECT_EQ(doc.option_byte(), 1);
  // Version 50 has no header text 1 and stores the empty text in its place.
  ASSERT_TRUE(read(patchBytes(50), false));
  EXPECT_EQ(doc.header().header_text_1, "");
  EXPECT_EQ(doc.option_byte(), 1);
}

TEST_F(DocTest, Version50KeepsDefaultsAndItemsThatItLacks) {
  doc.header().product_text = "kept";
  doc.header().editor_size = {100, 50};
  EXPECT_EQ(doc.program_count(), 64);  // a new document
  ASSERT_TRUE(read(patchBytes(50)));
  EXPECT_EQ(doc.program_count(), 16);
  EXPECT_EQ(doc.plugin_flags(), 0);
  EXPECT_TRUE(doc.mono_capable());
  EXPECT_EQ(doc.product_text(), "kept");
  EXPECT_EQ(doc.editor_size(), (EditorSize{100, 50}));
  ASSERT_NE(doc.GetPatchContainer(), nullptr);
  EXPECT_EQ(doc.GetPatchContainer()->getTitle(), "My Synth");
}

TEST_F(DocTest, EmbeddedFilesKeepNamesAndBytes) {
  ASSERT_TRUE(read(patchBytes(95081)));
  ASSERT_EQ(doc.embeddedFiles().size(), 2u);
  EXPECT_EQ(doc.embeddedFiles()[0]->name(), "a.wav");
  EXPECT_EQ(doc.embeddedFiles()[0]->data(), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(doc.embeddedFiles()[1]->name(), "b.txt");
  // A merged patch's files are dropped: the first patch's stay.
  std::unique_ptr<CContainer> merged;
  ASSERT_TRUE(doc.ReadHeader(patchBytes(95081), merged, true));
  EXPECT_EQ(doc.embeddedFiles().size(), 2u);
}

TEST_F(DocTest, NewerVersionIsRefusedWithItsMessageAndNothingChanges) {
  ASSERT_TRUE(read(patchBytes(95081)));
  CContainer* before = doc.root();
  std::vector<uint8_t> newer = patchBytes(95081);
  newer[0] = 0x6A;  // 95082
  messages.clearShown();
  EXPECT_FALSE(read(newer));
  const auto shown = messages.shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text,
            "Load Cancelled.  File created by a newer version of Korvane (V950.82). "
            "Please use a newer version of the plug-in to load this patch.");
  EXPECT_EQ(shown[0].icon, MessageIcon::Information);
  EXPECT_EQ(doc.root(), before);
  EXPECT_EQ(doc.file_version(), kCurrentFileVersion);
  EXPECT_EQ(doc.unique_id_text(), "abcd");
}

TEST_F(DocTest, MalformedHeadersFailWithOneMessage) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  Stream no_root;
  no_root.b.i32(50).text("t").i32(0).i32(0).i32(0).null();
  Stream skins;
  skins.b.i32(60).text("t").i32(0).i32(0).i32(0).text("id").i32(0).text("").i32(10).i32(10).i32(1);
  std::vector<uint8_t> negative_file = patchBytes(95081);
  // The first embedded file's length field follows its class record and name.
  const size_t length_at = 4 + 2 + (2 + 2 + 2 + 13) + 6;
  negative_file[length_at + 3] = 0x80;
  const Case cases[] = {
      {"old version", RawBytes().i32(36).bytes()},
      {"negative version", RawBytes().i32(-5).bytes()},
      {"null root", no_root.b.bytes()},
      {"embedded skins", skins.b.bytes()},
      {"negative embedded-file length", negative_file},
      {"empty", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    messages.clearShown();
    std::unique_ptr<CContainer> root;
    EXPECT_FALSE(doc.ReadHeader(c.bytes, root, true));
    EXPECT_EQ(root, nullptr);
    EXPECT_EQ(messages.shown().size(), 1u);
  }
}

TEST_F(DocTest, EveryTruncationFailsCleanlyAndKeepsTheDocument) {
  ASSERT_TRUE(read(patchBytes(95081)));
  CContainer* before = doc.root();
  const std::vector<uint8_t> full = patchBytes(95081);
  for (size_t n = 0; n < full.size(); ++n) {
    messages.clearShown();
    std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    std::unique_ptr<CContainer> root;
    ASSERT_FALSE(doc.ReadHeader(cut, root, true)) << n;
    ASSERT_EQ(messages.shown().size(), 1u) << n;
    ASSERT_EQ(doc.root(), before);
    ASSERT_EQ(doc.embeddedFiles().size(), 2u);
  }
}

// The writer's header, checked against the independent builder's bytes.
TEST_F(DocTest, SavedPatchHasTheGoldenBytesAndReadsBack) {
  ASSERT_TRUE(read(patchBytes(95081), false));
  // Header fields as the golden stream writes them (option byte 5 is written as 1, program
  // names are written in full): compare the header part only.
  std::vector<uint8_t> header;
  ArchiveWriter w(header);
  std::vector<imbedded_file*> files;
  for (const auto& f : doc.embeddedFiles()) files.push_back(f.get());
  writePatchHeader(w, doc.header(), files);
  Stream s;
  s.b.i32(95081).count(2);
  s.object("imbedded_file");
  s.b.text("a.wav").i32(3).hex("01 02 03");
  s.object("imbedded_file");
  s.b.text("b.txt").i32(0);
  s.b.text("Title").i32(1).i32(1).text("abcd").text("text 1").i32(1).text("text 2").i32(0);
  s.b.i32(640).i32(480).i32(3).i32(8).text("text 3").text("text 4").text("Product").i32(0);
  ASSERT_EQ(header.size(), s.b.bytes().size());
  for (size_t i = 0; i < header.size(); ++i) ASSERT_EQ(header[i], s.b.bytes()[i]) << "at " << i;

  const std::vector<uint8_t> saved = doc.SavePatch();
  CKorvaneDocVST other;
  std::unique_ptr<CContainer> root;
  ASSERT_TRUE(other.ReadHeader(saved, root, false));
  other.setRoot(root.release());
  EXPECT_EQ(other.SavePatch(), saved);
}

TEST(UniqueId, PacksFourPaddedCharacters) {
  struct Case {
    std::string text;
    uint32_t id;
  };
  for (const Case& c : {Case{"", 0x20202020u}, Case{"ab", 0x61622020u}, Case{"abcd", 0x61626364u},
                        Case{"abcdef", 0x61626364u}, Case{"\x80" "abc", 0x80616263u},
                        // Each character counts as a signed byte: 0x80 in the second place borrows.
                        Case{"a\x80" "cd", 0x60806364u}}) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(static_cast<uint32_t>(CKorvaneDocBase::UniqueIdOf(c.text)), c.id);
  }
}

TEST_F(DocTest, PatchContainerIsTheFirstChildContainer) {
  EXPECT_EQ(doc.GetPatchContainer(), nullptr);
  ASSERT_TRUE(doc.OnNewDocument());
  ASSERT_NE(doc.root(), nullptr);
  EXPECT_EQ(doc.root()->getTitle(), "Main");
  EXPECT_EQ(doc.GetPatchContainer(), nullptr);  // no child container: no patch
  ASSERT_TRUE(read(patchBytes(95081)));
  EXPECT_EQ(doc.GetPatchContainer()->getTitle(), "My Synth");
  doc.ClearRoot();
  EXPECT_EQ(doc.root(), nullptr);
}

struct TempDir {
  std::filesystem::path path;
  TempDir() {
    path = std::filesystem::temp_directory_path() /
           ("kv_doc_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
};

void writeFile(const std::filesystem::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream out(p, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST_F(DocTest, LoadsTheDataFileBesideTheModuleOrSaysItIsMissing) {
  TempDir dir;
  const std::string module = (dir.path / "synth.so").string();
  EXPECT_FALSE(doc.LoadFromModule(module));
  ASSERT_EQ(messages.shown().size(), 1u);
  EXPECT_EQ(messages.shown()[0].text,
            "synth: Can't find plugin data file. (" + (dir.path / "synth.dat").string() + ")");
  EXPECT_EQ(messages.shown()[0].icon, MessageIcon::Exclamation);

  writeFile(dir.path / "synth.dat", patchBytes(95081));
  EXPECT_TRUE(doc.LoadFromModule(module));
  EXPECT_EQ(doc.GetPatchContainer()->getTitle(), "My Synth");
  EXPECT_EQ(doc.GetUniqueId(), 0x61626364);

  // A damaged data file: the load fails and the old root is cleared first.
  std::vector<uint8_t> damaged = patchBytes(95081);
  damaged.resize(damaged.size() / 2);
  writeFile(dir.path / "synth.dat", damaged);
  EXPECT_FALSE(doc.LoadFromModule(module));
  EXPECT_EQ(doc.root(), nullptr);
}

TEST_F(DocTest, RestoreRootSwapsOnlyAfterAWholeRead) {
  std::vector<uint8_t> snapshot;
  EXPECT_FALSE(doc.RestoreRoot(snapshot));  // no root: nothing to do
  ASSERT_TRUE(read(patchBytes(95081)));
  doc.SaveRoot(snapshot);
  doc.GetPatchContainer()->setTitleQuiet("Changed");
  CContainer* changed = doc.root();

  std::vector<uint8_t> cut(snapshot.begin(), snapshot.end() - 1);
  EXPECT_FALSE(doc.RestoreRoot(cut));
  EXPECT_EQ(doc.root(), changed);

  ASSERT_TRUE(doc.RestoreRoot(snapshot));
  EXPECT_EQ(doc.GetPatchContainer()->getTitle(), "My Synth");
  EXPECT_EQ(doc.root()->ownDocument(), &doc);
}

}  // namespace
}  // namespace kv
