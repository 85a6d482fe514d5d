// One load end to end: the body's result, commit, and one message for every failure.
#include "document/archive/archive_load.h"

#include <gtest/gtest.h>

#include "document/archive/file_version.h"
#include "tests/document/archive/raw_bytes.h"
#include "tests/document/archive/test_classes.h"

namespace kv {
namespace {

using test::RawBytes;
using test::TNode;

// A header of our own for the test: int32 version, then the root.
bool readVersionAndRoot(ArchiveReader& r, TNode*& root, std::string& refusal) {
  const int32_t v = r.readI32();
  if (v >= kFirstNewerFileVersion) {
    refusal = newerVersionMessage(v);
    return false;
  }
  if (v < kOldestReadableFileVersion) r.fail(ArchiveError::kBadFormat, tooOldVersionDetail(v));
  r.context().file_version = v;
  root = r.readObjectAs<TNode>();
  r.keep(root);
  return true;
}

TEST(ArchiveLoad, LoadedRefusedFailed) {
  auto stream = [](int32_t v) {
    return RawBytes().i32(v).newClass(1, "TNode").i32(1).text("r").count(1)
        .classRef(1).i32(2).text("c").count(0).null().null().bytes();
  };
  TNode* root = nullptr;
  std::string refusal;
  auto body = [&](ArchiveReader& r) { return readVersionAndRoot(r, root, refusal); };

  ArchiveLoad ok = loadArchive(stream(kCurrentFileVersion), test::testClasses(), body);
  ASSERT_EQ(ok.status, ArchiveLoad::kLoaded) << ok.message;
  EXPECT_EQ(ok.context.file_version, kCurrentFileVersion);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->children.size(), 1u);
  delete root;

  ArchiveLoad newer = loadArchive(stream(kFirstNewerFileVersion), test::testClasses(), body);
  EXPECT_EQ(newer.status, ArchiveLoad::kRefused);
  EXPECT_EQ(refusal,
            "Load Cancelled.  File created by a newer version of Korvane (V950.82). "
            "Please use a newer version of the plug-in to load this patch.");

  ArchiveLoad old = loadArchive(stream(36), test::testClasses(), body);
  EXPECT_EQ(old.status, ArchiveLoad::kFailed);
  EXPECT_NE(old.message.find("file version 36"), std::string::npos) << old.message;

  // A failure after the root was read and kept: the root is destroyed, one message remains.
  auto cut = stream(kCurrentFileVersion);
  cut.pop_back();
  ArchiveLoad failed = loadArchive(cut, test::testClasses(), body);
  EXPECT_EQ(failed.status, ArchiveLoad::kFailed);
  EXPECT_EQ(failed.message.rfind("The patch data is damaged: the data ends inside an item", 0), 0u) << failed.message;
  EXPECT_EQ(TNode::live.load(), 0);

  // Anything else thrown inside becomes a message too.
  ArchiveLoad odd = loadArchive(cut, test::testClasses(), [](ArchiveReader&) -> bool { throw std::runtime_error("odd"); });
  EXPECT_EQ(odd.message, "The patch could not be read: odd");
}

TEST(ArchiveLoad, NewerVersionNumberIsTheVersionTimesAHundredth) {
  EXPECT_NE(newerVersionMessage(100000).find("(V1000.00)"), std::string::npos);
  EXPECT_NE(newerVersionMessage(95100).find("(V951.00)"), std::string::npos);
}

}  // namespace
}  // namespace kv
