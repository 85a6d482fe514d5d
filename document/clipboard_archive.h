#pragma once
// Copy and paste of document objects through the clipboard archive.
//
// The clipboard holds bytes: an int32 count, then that many object slots in the archive's
// object stream, written at the current file version. Copying writes the selected children of
// a container and the connections among them; a connection that leads to a module outside the
// selection is left out, from the container's children and from the plugs' lists alike.
// Pasting reads the bytes into new objects, checks them as any load is checked (a damaged
// clipboard pastes nothing and says why), adopts them, moves them so that their average
// position lands at the given point, and removes the surplus unconnected duplicating plugs that
// the connections left out behind.
#include <cstdint>
#include <span>
#include <vector>

#include "document/archive/class_table.h"
#include "document/model/view_types.h"

namespace kv {

class CContainer;
class CDocOb;

// The process's clipboard of document objects (any thread).
void setClipboardArchive(std::vector<uint8_t> bytes);
std::vector<uint8_t> clipboardArchive();

// The clipboard archive of `objects` (children of `container`) and the connections among them.
std::vector<uint8_t> storeSelection(CContainer* container, const std::vector<CDocOb*>& objects);

// Copies the selected children of `container` to the clipboard. False, with the container's
// message and the clipboard unchanged, when an IO module is selected.
bool copySelectionToClipboard(CContainer* container);

// Pastes a clipboard archive into `container` with the objects' average position at `at`.
// Answers the pasted objects; none (and one message) when the archive is damaged.
std::vector<CDocOb*> pasteArchive(CContainer* container, std::span<const uint8_t> archive, Point at,
                                  const ClassTable& classes);
std::vector<CDocOb*> pasteClipboard(CContainer* container, Point at);

}  // namespace kv
