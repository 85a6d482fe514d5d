// Hostile streams: every malformed stream ends in one ArchiveError with the right code, and
// every object created before the error is destroyed exactly once (checked by the live count
// here and by the sanitizers).
#include <gtest/gtest.h>

#include "document/archive/archive.h"
#include "tests/document/archive/raw_bytes.h"
#include "tests/document/archive/test_classes.h"

namespace kv {
namespace {

using test::RawBytes;
using test::TNode;

// Node record helpers: value, name, then the caller adds the child list and the link.
RawBytes& node(RawBytes& b, int32_t v) { return b.i32(v).text("n"); }

struct Case {
  const char* name;
  RawBytes bytes;
  ArchiveError::Code code;
};

std::vector<Case> malformedCases() {
  std::vector<Case> cases;
  auto add = [&](const char* name, RawBytes b, ArchiveError::Code code) { cases.push_back({name, std::move(b), code}); };
  using E = ArchiveError;
  RawBytes b;

  add("empty stream", RawBytes(), E::kEndOfFile);
  add("half a tag", RawBytes().u8(0xFF), E::kEndOfFile);
  add("class record cut in the name", RawBytes().u16(0xFFFF).u16(1).u16(5).chars("TNo"), E::kEndOfFile);
  add("unknown class", RawBytes().newClass(1, "CFoo"), E::kBadClass);
  add("class names compare exactly", RawBytes().newClass(1, "tnode"), E::kBadClass);
  add("name of 64 bytes", RawBytes().u16(0xFFFF).u16(1).u16(64).repeat('A', 64), E::kBadClass);
  add("wrong schema of a plain class", RawBytes().newClass(2, "TNode"), E::kBadSchema);
  add("class without a factory", RawBytes().newClass(1, "TAbstract"), E::kBadClass);
  add("unexpected class at the top", RawBytes().newClass(1, "TOther").i32(1), E::kBadClass);
  add("object reference past the table", RawBytes().objectRef(1), E::kBadIndex);
  add("escaped reference past the table", RawBytes().u16(0x7FFF).u32(0x7FFFFFFF), E::kBadIndex);
  add("class reference 0", RawBytes().u16(0x8000), E::kBadIndex);
  add("class reference past the table", RawBytes().classRef(4), E::kBadIndex);

  b = RawBytes();  // a child list whose second slot refers to the root as a class
  node(b.newClass(1, "TNode"), 0).count(1).classRef(2);
  add("class reference naming an object", b, E::kBadIndex);

  b = RawBytes();  // the link refers to the class entry as an object
  node(b.newClass(1, "TNode"), 0).count(0).objectRef(1);
  add("object reference naming a class", b, E::kBadIndex);

  b = RawBytes();  // a TOther among the children (expected TNode), new
  node(b.newClass(1, "TNode"), 0).count(1).newClass(1, "TOther").i32(3);
  add("unexpected class in a list", b, E::kBadClass);

  b = RawBytes();  // after a child, the root's link names the class entry
  node(b.newClass(1, "TNode"), 0).count(1);
  node(b.classRef(1), 1).count(0).null();  // child at 3
  b.objectRef(1);  // class entry as object
  add("reference kinds are checked for links too", b, E::kBadIndex);

  b = RawBytes();  // the root lists itself as its child
  node(b.newClass(1, "TNode"), 0).count(1).objectRef(2);
  add("object contains itself", b, E::kBadFormat);

  b = RawBytes();  // two children; the second lists the first (already owned by the root)
  node(b.newClass(1, "TNode"), 0).count(2);
  node(b.classRef(1), 1).count(0).null();                  // 3
  node(b.classRef(1), 2).count(1).objectRef(3).null();     // 4 adopts 3
  add("object with two owners", b, E::kBadFormat);

  b = RawBytes();  // the child lists the root, which is being read (its ancestor)
  node(b.newClass(1, "TNode"), 0).count(1);
  node(b.classRef(1), 1).count(1).objectRef(2).null();
  add("object contains its owner", b, E::kBadFormat);

  b = RawBytes();  // the root's link is a new node that takes the root as its child
  node(b.newClass(1, "TNode"), 0).count(0);
  node(b.classRef(1), 1).count(1).objectRef(2).null();
  add("top object taken by an object it refers to", b, E::kBadFormat);

  b = RawBytes();  // the link holds a new object nobody owns
  node(b.newClass(1, "TNode"), 0).count(0);
  node(b.classRef(1), 1).count(0).null();
  add("object owned by nothing", b, E::kBadFormat);

  b = RawBytes();  // a list count far beyond the stream
  node(b.newClass(1, "TNode"), 0).count(0xFFFFFFF0u);
  add("huge list count", b, E::kEndOfFile);

  b = RawBytes();  // a text length far beyond the stream, inside a child's record
  node(b.newClass(1, "TNode"), 0).count(1).classRef(1).i32(5).hex("FF FF FF FF FF FF 7F");
  add("huge text length", b, E::kEndOfFile);

  b = RawBytes();  // the stream ends in the middle of the third child
  node(b.newClass(1, "TNode"), 0).count(3);
  node(b.classRef(1), 1).count(0).null();
  node(b.classRef(1), 2).count(0).null();
  node(b.classRef(1), 3);
  add("truncated after two children", b, E::kEndOfFile);
  return cases;
}

TEST(MalformedStream, EachEndsInOneErrorAndLeavesNothing) {
  for (const Case& c : malformedCases()) {
    SCOPED_TRACE(c.name);
    try {
      auto root = test::readTestRoot(c.bytes.bytes());
      ADD_FAILURE() << "read succeeded";
    } catch (const ArchiveError& e) {
      EXPECT_EQ(e.code(), c.code) << e.what();
      EXPECT_NE(std::string(e.what()).find("The patch data is damaged"), std::string::npos);
    }
    EXPECT_EQ(TNode::live.load(), 0);
  }
}

TEST(MalformedStream, MessageNamesTheProblemAndPlace) {
  try {
    test::readTestRoot(RawBytes().newClass(1, "CF\x01o").bytes());
    FAIL();
  } catch (const ArchiveError& e) {
    EXPECT_STREQ(e.what(), "The patch data is damaged: unknown class \"CF\\x01o\" (archive error 6 at byte 6).");
  }
}

// A valid stream with nesting, references and several classes, cut at every length and
// with single bits flipped: never a crash, never a leak; a cut stream always fails.
TEST(MalformedStream, TruncationsAndBitFlips) {
  RawBytes b;
  node(b.newClass(1, "TNode"), 0).count(3);
  node(b.classRef(1), 1).count(1);
  node(b.newClass(3, "TVer"), 2).count(0).objectRef(2);   // 4 class TVer, 5 object
  b.objectRef(5);
  node(b.newClass(1, "TSub"), 3).count(0).objectRef(3).i16(9);  // 6 class, 7 object
  b.u16(0x7FFF).u32(0x80000001u).i32(4).text(std::string(300, 'L')).count(0).null();
  b.objectRef(7);
  const std::vector<uint8_t> valid = b.bytes();
  ASSERT_NO_THROW(test::readTestRoot(valid));

  for (size_t n = 0; n < valid.size(); ++n) {
    std::span<const uint8_t> cut(valid.data(), n);
    EXPECT_THROW(test::readTestRoot(cut), ArchiveError) << "length " << n;
    ASSERT_EQ(TNode::live.load(), 0) << "length " << n;
  }
  for (size_t i = 0; i < valid.size(); ++i) {
    for (int bit = 0; bit < 8; ++bit) {
      std::vector<uint8_t> flipped = valid;
      flipped[i] ^= static_cast<uint8_t>(1u << bit);
      try {
        test::readTestRoot(flipped);
      } catch (const ArchiveError&) {
      }
      ASSERT_EQ(TNode::live.load(), 0) << "byte " << i << " bit " << bit;
    }
  }
}

TEST(MalformedStream, DiscardedObjectsCannotBeReferenced) {
  // Reading by hand: a node is read, discarded, and then referred to.
  RawBytes b;
  node(b.newClass(1, "TNode"), 0).count(1);
  node(b.classRef(1), 1).count(0).null();  // 3, owned by 2
  b.null();
  b.objectRef(3);  // refers into the dropped tree
  LoadContext ctx;
  {
    ArchiveReader r(b.bytes(), test::testClasses(), ctx);
    Archivable* dropped = r.readObject(&TNode::kArchiveClass);
    r.discard(dropped);
    EXPECT_TRUE(r.isDiscarded(static_cast<TNode*>(dropped)->children[0]));
    try {
      r.readObject();
      ADD_FAILURE();
    } catch (const ArchiveError& e) {
      EXPECT_EQ(e.code(), ArchiveError::kBadIndex);
    }
  }
  EXPECT_EQ(TNode::live.load(), 0);
  {  // without the bad reference, commit destroys the dropped objects
    std::span<const uint8_t> good(b.bytes().data(), b.size() - 2);
    ArchiveReader r(good, test::testClasses(), ctx);
    r.discard(r.readObject());
    r.commit();
    EXPECT_EQ(TNode::live.load(), 0);
  }
}

// What the document's checks after a load see: owners as adopted, objects in reading order.
TEST(MalformedStream, OwnershipIsRecordedForChecksAcrossTheLoad) {
  RawBytes b;
  node(b.newClass(1, "TNode"), 0).count(1);
  node(b.classRef(1), 1).count(0).objectRef(2);  // 3, links back to 2
  b.null();
  LoadContext ctx;
  ArchiveReader r(b.bytes(), test::testClasses(), ctx);
  auto* root = static_cast<TNode*>(r.readObject());
  TNode* child = root->children.at(0);
  EXPECT_EQ(r.ownerOf(child), root);
  EXPECT_EQ(r.ownerOf(root), nullptr);
  EXPECT_EQ(r.createdObjects(), (std::vector<Archivable*>{root, child}));
  EXPECT_THROW(r.commit(), ArchiveError);  // the root was not kept: it belongs to nothing
}

TEST(MalformedStream, KeptObjectsBelongToTheCallerOnlyAfterCommit) {
  RawBytes b;
  node(b.newClass(1, "TNode"), 0).count(0).null();
  node(b.classRef(1), 1).count(0).null();
  LoadContext ctx;
  {
    ArchiveReader r(b.bytes(), test::testClasses(), ctx);
    r.keep(r.readObject());
    r.keep(r.readObject());
    EXPECT_EQ(TNode::live.load(), 2);
    // no commit: an error elsewhere in the load destroys both
  }
  EXPECT_EQ(TNode::live.load(), 0);
  {
    ArchiveReader r(b.bytes(), test::testClasses(), ctx);
    std::unique_ptr<Archivable> first(r.readObject());
    r.keep(first.get());
    EXPECT_THROW(r.keep(first.get()), ArchiveError);
    std::unique_ptr<Archivable> second(r.readObject());
    r.keep(second.get());
    r.commit();
    EXPECT_EQ(TNode::live.load(), 2);
  }
  EXPECT_EQ(TNode::live.load(), 0);
}

}  // namespace
}  // namespace kv
