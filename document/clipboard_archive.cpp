#include "document/clipboard_archive.h"

#include <map>
#include <mutex>
#include <set>

#include "document/archive/archive_load.h"
#include "document/archive/archive_writer.h"
#include "document/model/container.h"
#include "document/model/document_load.h"
#include "document/model/line.h"
#include "document/model/plug.h"
#include "document/patch_header.h"
#include "modules/registry/module_info.h"
#include "platform/message_service.h"

namespace kv {

namespace {

std::mutex clipboard_mutex;
std::vector<uint8_t>& clipboardBytes() {
  static std::vector<uint8_t> bytes;
  return bytes;
}

bool isIoModule(CDocOb* o) { return dynamic_cast<CUG*>(o) && (o->getModuleFlags() & mf_io_module); }

// Moves the objects so that the average top-left corner of their non-empty rectangles in the
// view lands at `at`.
void moveTo(const std::vector<CDocOb*>& objects, int32_t kind, Point at) {
  int64_t sx = 0, sy = 0, n = 0;
  for (CDocOb* o : objects) {
    const Rect r = o->getRect(kind);
    if (r.isZero()) continue;
    sx += r.left;
    sy += r.top;
    ++n;
  }
  if (n == 0) return;
  const auto dx = static_cast<int32_t>(at.x - sx / n), dy = static_cast<int32_t>(at.y - sy / n);
  for (CDocOb* o : objects) {
    Rect r = o->getRect(kind);
    if (r.isZero()) continue;
    r.offset(dx, dy);
    o->setRect(kind, r);
  }
}

// Keeps the last unconnected duplicating plug of each declaration (the spare; the others are
// inputs whose connections were not copied) and removes the others.
void trimSpares(CUG* m) {
  std::set<int> seen;
  std::vector<CPlug2*> surplus;
  const auto& plugs = m->plugs();
  for (auto it = plugs.rbegin(); it != plugs.rend(); ++it) {
    CPlug2* p = *it;
    if (!p->isUnconnectedSpare()) continue;
    if (!seen.insert(p->index()).second) surplus.push_back(p);
  }
  for (CPlug2* p : surplus) m->removePlug(p);
}

}  // namespace

void setClipboardArchive(std::vector<uint8_t> bytes) {
  std::lock_guard<std::mutex> lock(clipboard_mutex);
  clipboardBytes() = std::move(bytes);
}

std::vector<uint8_t> clipboardArchive() {
  std::lock_guard<std::mutex> lock(clipboard_mutex);
  return clipboardBytes();
}

std::vector<uint8_t> storeSelection(CContainer* container, const std::vector<CDocOb*>& objects) {
  const std::set<const CDocOb*> chosen(objects.begin(), objects.end());
  auto inside = [&](const CPlug2* p) { return p && chosen.count(p->module()); };
  std::vector<CDocOb*> written;
  for (CDocOb* o : objects)
    if (!dynamic_cast<CLine2*>(o)) written.push_back(o);
  std::set<const CLine2*> lines;
  for (CDocOb* o : container->children())
    if (auto* line = dynamic_cast<CLine2*>(o); line && inside(line->from()) && inside(line->to())) {
      lines.insert(line);
      written.push_back(line);
    }
  std::vector<uint8_t> out;
  ArchiveWriter w(out);
  // Connections of this container count only when both ends are copied; connections inside a
  // copied container are all copied.
  w.setListFilter([&](const Archivable* a) {
    auto* line = dynamic_cast<const CLine2*>(a);
    return !line || line->getParent() != container || lines.count(line) != 0;
  });
  container->setCopySource(true);
  w.writeI32(static_cast<int32_t>(written.size()));
  for (CDocOb* o : written) w.writeObject(o);
  container->setCopySource(false);
  return out;
}

bool copySelectionToClipboard(CContainer* container) {
  std::vector<CDocOb*> selected;
  if (!container->copySelection(&selected)) return false;
  setClipboardArchive(storeSelection(container, selected));
  return true;
}

std::vector<CDocOb*> pasteArchive(CContainer* container, std::span<const uint8_t> archive, Point at,
                                  const ClassTable& classes) {
  std::vector<CDocOb*> pasted;
  ArchiveLoad load = loadArchive(archive, classes, [&](ArchiveReader& r) {
    const uint32_t n = r.readInt32Count(2);
    std::vector<Archivable*> kept;
    for (uint32_t i = 0; i < n; ++i) {
      auto* o = r.readObjectAs<CDocOb>();
      if (!o) r.fail(ArchiveError::kBadFormat, "the clipboard holds an empty object");
      if (isIoModule(o)) r.fail(ArchiveError::kBadFormat, "the clipboard holds an IO module");
      r.keep(o);
      kept.push_back(o);
      pasted.push_back(o);
    }
    if (!r.atEnd()) r.fail(ArchiveError::kBadFormat, "the clipboard holds more than its objects");
    commitDocumentLoad(r, kept);
    return true;
  });
  if (load.status != ArchiveLoad::kLoaded) {
    if (!load.message.empty()) showMessage(load.message, MessageIcon::Exclamation);
    return {};
  }
  for (CDocOb* o : pasted) container->adopt(o);
  for (CDocOb* o : pasted) o->afterLoad();
  moveTo(pasted, kViewStructure, at);
  moveTo(pasted, kViewPanel, at);
  for (CDocOb* o : pasted)
    if (auto* m = dynamic_cast<CUG*>(o)) trimSpares(m);
  container->markModified();
  return pasted;
}

std::vector<CDocOb*> pasteClipboard(CContainer* container, Point at) {
  const std::vector<uint8_t> bytes = clipboardArchive();
  if (bytes.empty()) return {};
  return pasteArchive(container, bytes, at, patchClasses());
}

}  // namespace kv
