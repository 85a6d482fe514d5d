#include "tests/document/archive/test_classes.h"

#include <memory>

namespace kv::test {

const ArchiveClass TNode::kArchiveClass{"TNode", 1, nullptr, &createArchivable<TNode>};
const ArchiveClass TSub::kArchiveClass{"TSub", 1, &TNode::kArchiveClass, &createArchivable<TSub>};
const ArchiveClass TVer::kArchiveClass{"TVer", 0x80000003u, &TNode::kArchiveClass, &createArchivable<TVer>};
const ArchiveClass TOther::kArchiveClass{"TOther", 1, nullptr, &createArchivable<TOther>};
const ArchiveClass TAbstract::kArchiveClass{"TAbstract", 1, nullptr, nullptr};

void TNode::serialize(Archive& ar) {
  ar.i32(value);
  ar.text(name);
  if (ar.isLoading()) {
    ArchiveReader& r = ar.reader();
    r.readObjectList(&TNode::kArchiveClass, [&](Archivable* o) {
      auto* child = static_cast<TNode*>(o);
      r.adopt(this, child);  // before storing it: a refused child is never held twice
      children.push_back(child);
    });
  } else {
    ar.writer().writeObjectList(children);
  }
  ar.object(link);
}

void TSub::serialize(Archive& ar) {
  TNode::serialize(ar);
  ar.i16(extra);
}

void TVer::serialize(Archive& ar) {
  TNode::serialize(ar);
  if (ar.isLoading()) stored_schema = ar.reader().loadedSchema();
}

const ClassTable& testClasses() {
  static const ClassTable table = [] {
    ClassTable t;
    t.add(TNode::kArchiveClass);
    t.add(TSub::kArchiveClass);
    t.add(TVer::kArchiveClass);
    t.add(TOther::kArchiveClass);
    t.add(TAbstract::kArchiveClass);
    return t;
  }();
  return table;
}

std::unique_ptr<TNode> readTestRoot(std::span<const uint8_t> bytes, LoadContext* context) {
  LoadContext local;
  ArchiveReader r(bytes, testClasses(), context ? *context : local);
  TNode* root = r.readObjectAs<TNode>();
  r.keep(root);
  r.commit();
  return std::unique_ptr<TNode>(root);
}

std::vector<uint8_t> writeTestRoot(TNode* root) {
  std::vector<uint8_t> out;
  ArchiveWriter w(out);
  w.writeObject(root);
  return out;
}

}  // namespace kv::test
