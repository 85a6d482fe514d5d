#pragma once
// One load from an archive, end to end: a fresh reading context and reader over the bytes,
// the caller's body (the header and the root, or a clipboard, or an undo snapshot), commit,
// and one message for whatever went wrong. Nothing thrown inside escapes.
//
//   CContainer* root = nullptr;
//   ArchiveLoad result = loadArchive(bytes, classes, [&](ArchiveReader& r) {
//     ... read the header into locals; refuse with `return false` ...
//     root = r.readObjectAs<CContainer>();
//     r.keep(root);
//     return true;
//   });
//   if (result.status == ArchiveLoad::kLoaded) adopt root and the locals;
//   else show result.message (root and everything else read is already destroyed).
//
// The body's locals that point to objects of the stream are valid only when the result is
// kLoaded; on any other result those objects are gone.
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "document/archive/archive_reader.h"

namespace kv {

struct ArchiveLoad {
  enum Status {
    kLoaded,   // the body answered true and every object found its place
    kRefused,  // the body answered false (it reports its own message, if any)
    kFailed,   // an error; `message` says which
  };
  Status status = kFailed;
  std::string message;
  // The context as the body left it (file version, option byte).
  LoadContext context;
};

ArchiveLoad loadArchive(std::span<const uint8_t> bytes, const ClassTable& classes,
                        const std::function<bool(ArchiveReader&)>& body,
                        const LoadContext& initial = LoadContext{});

}  // namespace kv
