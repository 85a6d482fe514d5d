#pragma once
// Small archivable classes for the archive tests and the reader fuzzer.
//
//   TNode  (schema 1)           int32 value, text name, owned children (framework count +
//                               slots, expected TNode), one non-owning link slot (TNode)
//   TSub   : TNode (schema 1)   TNode record, then int16 extra
//   TVer   : TNode (versionable, schema 0x80000003) TNode record; remembers the stored schema
//   TOther (schema 1)           int32 value; unrelated to TNode
//   TAbstract (schema 1)        registered without a factory
#include <atomic>
#include <memory>
#include <span>
#include <vector>

#include "document/archive/archive.h"

namespace kv::test {

class TNode : public Archivable {
  KV_ARCHIVE_CLASS(TNode)
 public:
  TNode() { ++live; }
  ~TNode() override {
    for (TNode* c : children) delete c;
    --live;
  }
  void serialize(Archive& ar) override;

  int32_t value = 0;
  std::string name;
  std::vector<TNode*> children;  // owned
  TNode* link = nullptr;         // not owned

  static inline std::atomic<int> live{0};
};

class TSub : public TNode {
  KV_ARCHIVE_CLASS(TSub)
 public:
  void serialize(Archive& ar) override;
  int16_t extra = 0;
};

class TVer : public TNode {
  KV_ARCHIVE_CLASS(TVer)
 public:
  void serialize(Archive& ar) override;
  uint32_t stored_schema = 0;
};

class TOther : public Archivable {
  KV_ARCHIVE_CLASS(TOther)
 public:
  TOther() { ++TNode::live; }
  ~TOther() override { --TNode::live; }
  void serialize(Archive& ar) override { ar.i32(value); }
  int32_t value = 0;
};

class TAbstract : public Archivable {
  KV_ARCHIVE_CLASS(TAbstract)
 public:
  void serialize(Archive&) override {}
};

// A table holding the classes above.
const ClassTable& testClasses();

// Reads one TNode as the top-level object and commits; rethrows ArchiveError.
std::unique_ptr<TNode> readTestRoot(std::span<const uint8_t> bytes, LoadContext* context = nullptr);
// Writes one object slot.
std::vector<uint8_t> writeTestRoot(TNode* root);

}  // namespace kv::test
