// Copy and paste through the clipboard archive: what is copied (selected modules and the
// connections among them, nothing that leads outside), where the copies land, the duplicating
// plugs left behind, the refusal to copy an IO module, and a damaged clipboard.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "document/clipboard_archive.h"
#include "document/korvane_doc_vst.h"
#include "document/patch_header.h"
#include "tests/document/doc_fixture.h"

namespace kv {
namespace {

struct ClipboardTest : ::testing::Test, test::DocFixture {
  CContainer* sub = nullptr;
  CUG* osc = nullptr;
  CUG* mix = nullptr;
  CUG* other = nullptr;

  ClipboardTest() {
    sub = add<CContainer>(root, "Container", "Sub");
    osc = add(sub, "T Osc", "Osc");
    mix = add(sub, "T Mix", "Mix");
    other = add(sub, "T Osc", "Other");
    osc->setRect(kViewStructure, Rect{10, 10, 50, 40});
    mix->setRect(kViewStructure, Rect{30, 50, 70, 80});
    other->setRect(kViewStructure, Rect{200, 200, 240, 230});
    EXPECT_NE(osc->findPlug("Audio Out")->connect(mix->findPlug("Input")), nullptr);
    // The second input of the mixer comes from outside the selection.
    EXPECT_NE(other->findPlug("Audio Out")->connect(mix->plugs()[1]), nullptr);
  }

  static int count(CContainer* c, const std::string& title) {
    int n = 0;
    for (CDocOb* o : c->children())
      if (o->getTitle() == title) ++n;
    return n;
  }
};

TEST_F(ClipboardTest, CopiesSelectedModulesWithTheirInnerConnectionsOnly) {
  osc->setSelected(true, false);
  mix->setSelected(true, false);
  ASSERT_TRUE(copySelectionToClipboard(sub));
  const size_t children_before = sub->children().size();

  std::vector<CDocOb*> pasted = pasteClipboard(sub, Point{100, 100});
  ASSERT_EQ(pasted.size(), 3u);  // two modules and their connection
  EXPECT_EQ(sub->children().size(), children_before + 3);
  EXPECT_EQ(count(sub, "Osc"), 2);
  EXPECT_EQ(count(sub, "Mix"), 2);

  auto pastedNamed = [&](const std::string& title) -> CUG* {
    for (CDocOb* o : pasted)
      if (o->getTitle() == title) return dynamic_cast<CUG*>(o);
    return nullptr;
  };
  CUG* osc2 = pastedNamed("Osc");
  CUG* mix2 = pastedNamed("Mix");
  ASSERT_TRUE(osc2 && mix2 && osc2 != osc && mix2 != mix);
  EXPECT_TRUE(osc2->findPlug("Audio Out")->isConnectedTo(mix2->plugs()[0]));
  // The connection from outside is not copied. The input it reached is left unconnected, and a
  // copy keeps one unconnected duplicating plug only: the last, the mixer's spare "Input".
  std::vector<std::string> names;
  for (CPlug2* p : mix2->plugs()) names.push_back(p->getName());
  EXPECT_EQ(names, (std::vector<std::string>{"Audio Out", "Input", "Out"}));
  EXPECT_TRUE(mix2->plugs()[1]->isUnconnectedSpare());
  EXPECT_EQ(other->findPlug("Audio Out")->lines().size(), 1u);
  // The copies' average top-left corner lands at the point: (10 + 30) / 2 -> 100.
  EXPECT_EQ(osc2->getRect(kViewStructure), (Rect{90, 80, 130, 110}));
  EXPECT_EQ(mix2->getRect(kViewStructure), (Rect{110, 120, 150, 150}));
  // The originals are untouched.
  EXPECT_EQ(osc->getRect(kViewStructure), (Rect{10, 10, 50, 40}));
  EXPECT_EQ(mix->plugs()[1]->lines().size(), 1u);
}

TEST_F(ClipboardTest, ContainerCopiesKeepTheirInsides) {
  sub->setSelected(true, false);
  ASSERT_TRUE(copySelectionToClipboard(root));
  std::vector<CDocOb*> pasted = pasteClipboard(root, Point{0, 0});
  ASSERT_EQ(pasted.size(), 1u);
  auto* copy = dynamic_cast<CContainer*>(pasted[0]);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(count(copy, "Osc"), 1);
  EXPECT_EQ(count(copy, "Other"), 1);
  int lines = 0;
  for (CDocOb* o : copy->children()) lines += dynamic_cast<CLine2*>(o) ? 1 : 0;
  EXPECT_EQ(lines, 2);
}

TEST_F(ClipboardTest, IoModuleIsNotCopiedAndDamagedClipboardPastesNothing) {
  setClipboardArchive({});
  sub->findIOModule()->setSelected(true, false);
  osc->setSelected(true, false);
  EXPECT_FALSE(copySelectionToClipboard(sub));
  EXPECT_EQ(texts().back(), "Can't Copy (or Cut) an 'IO Module'. Please un-select it and try again");
  EXPECT_TRUE(clipboardArchive().empty());

  sub->findIOModule()->setSelected(false, false);
  ASSERT_TRUE(copySelectionToClipboard(sub));
  const std::vector<uint8_t> good = clipboardArchive();
  const size_t children_before = sub->children().size();
  for (size_t n = 0; n < good.size(); n += 7) {
    messages.clearShown();
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_TRUE(pasteArchive(sub, cut, Point{0, 0}, patchClasses()).empty()) << n;
    EXPECT_EQ(messages.shownTexts().size(), 1u) << n;
    ASSERT_EQ(sub->children().size(), children_before);
  }
}

// "*P=" with a patch file merges the file's modules and their connections into the container
// through the same path as a paste; a file that does not load adds nothing.
TEST(InsertPatch, MergesAPatchFilesModulesIntoTheContainer) {
  MessageService messages;
  MessageServiceScope scope{messages};
  messages.setLogToStderr(false);
  test::registerTestTypes();

  CKorvaneDocVST source;
  ASSERT_TRUE(source.OnNewDocument());
  CContainer* src = source.root();
  auto* osc = dynamic_cast<CUG*>(src->addModule("T Osc", kViewStructure, Point{10, 10}));
  auto* mix = dynamic_cast<CUG*>(src->addModule("T Mix", kViewStructure, Point{50, 30}));
  ASSERT_TRUE(osc && mix);
  ASSERT_NE(osc->findPlug("Audio Out")->connect(mix->findPlug("Input")), nullptr);
  const auto path = std::filesystem::temp_directory_path() / "korvane-insert-test.kv1";
  {
    const std::vector<uint8_t> bytes = source.SavePatch();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<std::streamsize>(bytes.size()));
  }

  CKorvaneDocVST target;
  ASSERT_TRUE(target.OnNewDocument());
  CContainer* into = target.root();
  CDocOb* first = into->addModule("*P=" + path.string(), kViewStructure, Point{200, 100});
  ASSERT_NE(first, nullptr) << (messages.shownTexts().empty() ? "" : messages.shownTexts().back());
  CUG* osc2 = nullptr;
  CUG* mix2 = nullptr;
  for (CDocOb* o : into->children()) {
    if (auto* m = dynamic_cast<CUG*>(o); m && m->moduleTypeId() == "T Osc") osc2 = m;
    if (auto* m = dynamic_cast<CUG*>(o); m && m->moduleTypeId() == "T Mix") mix2 = m;
  }
  ASSERT_TRUE(osc2 && mix2);
  EXPECT_TRUE(osc2->findPlug("Audio Out")->isConnectedTo(mix2->plugs()[0]));
  // Their average top-left corner lands at the point: (10 + 50) / 2 -> 200, (10 + 30) / 2 -> 100.
  EXPECT_EQ(osc2->getRect(kViewStructure).left, 180);
  EXPECT_EQ(mix2->getRect(kViewStructure).top, 110);
  EXPECT_TRUE(target.isModified());

  const size_t before = into->children().size();
  EXPECT_EQ(into->addModule("*P=" + path.string() + ".missing.kv1", kViewStructure, Point{0, 0}), nullptr);
  EXPECT_EQ(into->children().size(), before);
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace kv
