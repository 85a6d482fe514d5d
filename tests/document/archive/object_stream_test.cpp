// The object stream: fixtures from the raw builder for every tag form, the writer producing
// the same bytes, and round trips.
#include <gtest/gtest.h>

#include "document/archive/archive.h"
#include "tests/document/archive/raw_bytes.h"
#include "tests/document/archive/test_classes.h"

namespace kv {
namespace {

using test::RawBytes;
using test::TNode;
using test::TSub;
using test::TVer;

class ObjectStream : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(TNode::live.load(), 0) << "objects leaked or destroyed twice"; }
};

// A root with two children of one class, a third of a derived class, links back to the
// root (a reference to an object whose record is still being read) and a null link.
//
// index 1: class TNode, 2: root, 3: child a, 4: child b (class reference), 5: class TSub,
// 6: child c
RawBytes smallGraph() {
  RawBytes b;
  b.newClass(1, "TNode").i32(10).text("root").count(3);
  b.classRef(1).i32(1).text("a").count(0).objectRef(2);   // a, linked to the root
  b.classRef(1).i32(2).text("b").count(0).objectRef(3);   // b, linked to a
  b.newClass(1, "TSub").i32(3).text("c").count(0).null().i16(-4);  // c
  b.objectRef(6);                                          // root's link: c
  return b;
}

std::unique_ptr<TNode> makeSmallGraph() {
  auto root = std::make_unique<TNode>();
  root->value = 10;
  root->name = "root";
  auto* a = new TNode;
  a->value = 1;
  a->name = "a";
  a->link = root.get();
  auto* b = new TNode;
  b->value = 2;
  b->name = "b";
  b->link = a;
  auto* c = new TSub;
  c->value = 3;
  c->name = "c";
  c->extra = -4;
  root->children = {a, b, c};
  root->link = c;
  return root;
}

TEST_F(ObjectStream, WriterMatchesFixture) {
  auto root = makeSmallGraph();
  EXPECT_EQ(test::writeTestRoot(root.get()), smallGraph().bytes());
}

TEST_F(ObjectStream, ReaderBuildsTheGraph) {
  auto root = test::readTestRoot(smallGraph().bytes());
  ASSERT_EQ(root->children.size(), 3u);
  TNode* a = root->children[0];
  TNode* b = root->children[1];
  auto* c = dynamic_cast<TSub*>(root->children[2]);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(root->value, 10);
  EXPECT_EQ(root->name, "root");
  EXPECT_EQ(a->link, root.get());
  EXPECT_EQ(b->link, a);
  EXPECT_EQ(c->link, nullptr);
  EXPECT_EQ(c->extra, -4);
  EXPECT_EQ(root->link, c);
}

// A record shaped like the embedded files of a patch header: text name, int32 length, bytes.
class TFile : public Archivable {
  KV_ARCHIVE_CLASS(TFile)
 public:
  void serialize(Archive& ar) override {
    ar.text(name);
    if (ar.isLoading()) {
      data = ar.reader().readBlock(ar.reader().readInt32Count(1));
    } else {
      ar.writer().writeI32(static_cast<int32_t>(data.size()));
      ar.writer().writeRaw(data);
    }
  }
  std::string name;
  std::vector<uint8_t> data;
};
const ArchiveClass TFile::kArchiveClass{"imbedded_file", 1, nullptr, &createArchivable<TFile>};

// The start of a version-95081 patch with two embedded files, as literal bytes.
TEST_F(ObjectStream, HeaderFragmentWithTwoEmbeddedFiles) {
  const auto fragment = RawBytes()
                            .hex("69 73 01 00")                       // int32 95081
                            .hex("02 00")                             // count 2
                            .hex("FF FF 01 00 0D 00 69 6D 62 65 64 64 65 64 5F 66 69 6C 65")
                            .hex("05 61 2E 77 61 76 03 00 00 00 01 02 03")  // "a.wav", 3 bytes
                            .hex("01 80")                             // class 1: new object 3
                            .hex("05 62 2E 74 78 74 00 00 00 00")     // "b.txt", 0 bytes
                            .bytes();
  ClassTable classes;
  classes.add(TFile::kArchiveClass);
  LoadContext ctx;
  std::vector<std::unique_ptr<TFile>> files;
  {
    ArchiveReader r(fragment, classes, ctx);
    EXPECT_EQ(r.readI32(), kCurrentFileVersion);
    std::vector<TFile*> read;
    r.readObjectList(&TFile::kArchiveClass, [&](Archivable* o) {
      r.keep(o);
      read.push_back(static_cast<TFile*>(o));
    });
    EXPECT_TRUE(r.atEnd());
    r.commit();
    for (TFile* f : read) files.emplace_back(f);
  }
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0]->name, "a.wav");
  EXPECT_EQ(files[0]->data, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(files[1]->name, "b.txt");
  EXPECT_TRUE(files[1]->data.empty());

  std::vector<uint8_t> out;
  ArchiveWriter w(out);
  w.writeI32(w.fileVersion());
  std::vector<TFile*> list = {files[0].get(), files[1].get()};
  w.writeObjectList(list);
  EXPECT_EQ(out, fragment);
}

TEST_F(ObjectStream, NullSlotAndEscapeForSmallIndex) {
  // A null root, and the escape form naming a small index (the reader accepts it).
  LoadContext ctx;
  const auto null_slot = RawBytes().null().bytes();
  ArchiveReader r(null_slot, test::testClasses(), ctx);
  EXPECT_EQ(r.readObject(), nullptr);
  r.commit();

  auto escaped = RawBytes().newClass(1, "TNode").i32(0).text("").count(1)
                     .u16(0x7FFF).u32(0x80000001u).i32(5).text("kid").count(0).u16(0x7FFF).u32(2)
                     .null();
  auto root = test::readTestRoot(escaped.bytes());
  ASSERT_EQ(root->children.size(), 1u);
  EXPECT_EQ(root->children[0]->value, 5);
  EXPECT_EQ(root->children[0]->link, root.get());
}

// Past 0x7FFF table entries, object and class references take the escape form.
TEST_F(ObjectStream, EscapeFormsPastTheShortIndexRange) {
  constexpr uint32_t kChildren = 0x8000;
  // index 1: class TNode, 2: root, 3..kChildren+2: children, then class TSub, then two TSubs.
  const uint32_t sub_class = kChildren + 3;
  RawBytes b;
  b.newClass(1, "TNode").i32(0).text("big").count(kChildren + 2);
  for (uint32_t i = 0; i < kChildren; ++i) b.classRef(1).i32(static_cast<int32_t>(i)).text("").count(0).null();
  b.newClass(1, "TSub").i32(-1).text("").count(0).objectRef(kChildren + 2).i16(1);  // links the last child
  b.classRef(sub_class).i32(-2).text("").count(0).objectRef(sub_class + 1).i16(2);  // links the first TSub
  b.objectRef(kChildren + 2);                                                        // root's link
  const auto& fixture = b.bytes();
  // The escape forms really are in the fixture.
  EXPECT_EQ(RawBytes().objectRef(kChildren + 2).bytes(), RawBytes().hex("FF 7F 02 80 00 00").bytes());
  EXPECT_EQ(RawBytes().classRef(sub_class).bytes(), RawBytes().hex("FF 7F 03 80 00 80").bytes());

  auto root = test::readTestRoot(fixture);
  ASSERT_EQ(root->children.size(), kChildren + 2);
  TNode* last_plain = root->children[kChildren - 1];
  auto* s1 = dynamic_cast<TSub*>(root->children[kChildren]);
  auto* s2 = dynamic_cast<TSub*>(root->children[kChildren + 1]);
  ASSERT_TRUE(s1 && s2);
  EXPECT_EQ(s1->link, last_plain);
  EXPECT_EQ(s2->link, s1);
  EXPECT_EQ(root->link, last_plain);
  EXPECT_EQ(test::writeTestRoot(root.get()), fixture);
}

TEST_F(ObjectStream, VersionableClassReadsAnyStoredSchema) {
  for (uint16_t schema : {3, 1, 0xFFFF}) {
    auto bytes = RawBytes().newClass(schema, "TVer").i32(7).text("").count(0).null().bytes();
    auto root = test::readTestRoot(bytes);
    auto* v = dynamic_cast<TVer*>(root.get());
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->stored_schema, schema);
  }
  // Written with the low 16 bits of its schema.
  TVer v;
  EXPECT_EQ(test::writeTestRoot(&v), RawBytes().newClass(3, "TVer").i32(0).text("").count(0).null().bytes());
}

TEST_F(ObjectStream, RoundTripKeepsBytesAndShape) {
  auto root = makeSmallGraph();
  // Deeper nesting and a text in the long form.
  auto* deep = root->children[1];
  for (int i = 0; i < 50; ++i) {
    auto* n = new TNode;
    n->value = i;
    n->name = std::string(static_cast<size_t>(i) * 7, 'q');
    n->link = root->children[0];
    deep->children.push_back(n);
    deep = n;
  }
  const auto bytes = test::writeTestRoot(root.get());
  auto back = test::readTestRoot(bytes);
  EXPECT_EQ(test::writeTestRoot(back.get()), bytes);
  TNode* n = back->children[1];
  for (int i = 0; i < 50; ++i) {
    ASSERT_EQ(n->children.size(), 1u);
    n = n->children[0];
    EXPECT_EQ(n->value, i);
    EXPECT_EQ(n->name.size(), static_cast<size_t>(i) * 7);
    EXPECT_EQ(n->link, back->children[0]);
  }
}

// Nesting: a chain of 1,000 loads; past the context's limit the load fails cleanly, and the
// writer refuses to write what could not be read back.
TEST_F(ObjectStream, NestingDepthIsBounded) {
  auto chain = [](int depth) {
    RawBytes b;
    b.newClass(1, "TNode");
    for (int i = 0; i < depth; ++i) {
      if (i > 0) b.classRef(1);
      b.i32(i).text("").count(i + 1 < depth ? 1 : 0);
    }
    for (int i = 0; i < depth; ++i) b.null();
    return b;
  };
  {
    auto root = test::readTestRoot(chain(1000).bytes());
    int depth = 1;
    for (TNode* n = root.get(); !n->children.empty(); n = n->children[0]) ++depth;
    EXPECT_EQ(depth, 1000);
  }
  LoadContext ctx;
  ctx.max_object_depth = 1000;
  EXPECT_NO_THROW(test::readTestRoot(chain(1000).bytes(), &ctx));
  try {
    test::readTestRoot(chain(1001).bytes(), &ctx);
    ADD_FAILURE();
  } catch (const ArchiveError& e) {
    EXPECT_EQ(e.code(), ArchiveError::kBadFormat);
  }

  auto root = test::readTestRoot(chain(kDefaultMaxObjectDepth).bytes());
  TNode* n = root.get();
  while (!n->children.empty()) n = n->children[0];
  n->children.push_back(new TNode);
  std::vector<uint8_t> out;
  ArchiveWriter w(out);
  EXPECT_THROW(w.writeObject(root.get()), ArchiveError);
}

}  // namespace
}  // namespace kv
