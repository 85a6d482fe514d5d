#pragma once
// Finishing a load of document objects, and the slot-level loads and stores built on it.
//
// Records only read their fields: a line's ends, a plug's list of lines and an IO plug's
// partner are kept aside while the stream is read, so that a failed load can destroy every
// half-read object without following a pointer into another one. commitDocumentLoad() then
// checks the whole load at once and only afterwards joins the objects up:
//   - every module's plugs name declarations of its module type (-1 only for feature and
//     controlled plugs);
//   - a container holds at most one IO module;
//   - every connection has two different plug ends, belongs to a container, and both end
//     plugs belong to modules of that same container and list the connection exactly once;
//   - every plug lists only connections that end at it;
//   - IO partners are mutual.
// Anything else is an ArchiveError ("bad format") and the load fails with nothing left over.
// The usual body of a load reads its top-level objects, keeps them and ends with
// commitDocumentLoad; the caller runs afterLoad() on the objects it took.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "document/archive/archive_reader.h"
#include "document/archive/file_version.h"
#include "document/model/container.h"
#include "document/model/doc_class.h"

namespace kv {


// Checks the objects read so far, commits the reader (from here on the kept objects belong to
// the caller) and joins the objects up. Throws ArchiveError when a check fails; then nothing
// has been joined and the reader destroys everything.
void commitDocumentLoad(ArchiveReader& reader);
// The same for objects kept at the top level as the future children of one container outside
// the load (a paste): connections among `siblings` that are themselves among `siblings` are
// accepted as that container's.
void commitDocumentLoad(ArchiveReader& reader, const std::vector<Archivable*>& siblings);

// One object slot holding `object` (with everything it owns), at the current file version:
// the form of the undo snapshots.
std::vector<uint8_t> storeObjectSlot(CDocOb* object);

struct ContainerLoad {
  std::unique_ptr<CContainer> container;  // null when the load failed
  std::string message;                    // why it failed
};
// Reads one object slot holding a root container (no IO module of its own) from bytes of the
// given file version, commits, and lets the container finish loading (afterLoad).
ContainerLoad loadRootSlot(std::span<const uint8_t> bytes,
                           int32_t file_version = kCurrentFileVersion,
                           const ClassTable& classes = documentClasses());

}  // namespace kv
