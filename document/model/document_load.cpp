#include "document/model/document_load.h"

#include <algorithm>
#include <set>

#include "document/archive/archive.h"
#include "document/archive/archive_load.h"
#include "document/model/container.h"
#include "document/model/line.h"
#include "document/model/plug.h"
#include "document/model/plug_feature.h"
#include "modules/registry/module_info.h"

namespace kv {

namespace {

[[noreturn]] void refuse(ArchiveReader& r, const std::string& what) {
  r.fail(ArchiveError::kBadFormat, what);
}

std::string named(CDocOb* object) {
  if (!object) return "a module";
  const std::string title = object->getTitle();
  if (title.empty()) return std::string("a ") + object->archiveClass().name;
  return "\"" + title.substr(0, 64) + "\"";
}

struct Loaded {
  std::vector<CUG*> modules;
  std::vector<CContainer*> containers;
  std::vector<CLine2*> lines;
  std::vector<CPlug2*> plugs;
  std::vector<CPlugIO2*> io_plugs;
};

Loaded gather(ArchiveReader& r) {
  Loaded l;
  for (Archivable* o : r.createdObjects()) {
    if (r.isDiscarded(o)) continue;  // destroyed at commit, never joined
    if (auto* m = dynamic_cast<CUG*>(o)) l.modules.push_back(m);
    if (auto* c = dynamic_cast<CContainer*>(o)) l.containers.push_back(c);
    if (auto* line = dynamic_cast<CLine2*>(o)) l.lines.push_back(line);
    if (auto* p = dynamic_cast<CPlug2*>(o)) l.plugs.push_back(p);
    if (auto* io = dynamic_cast<CPlugIO2*>(o)) l.io_plugs.push_back(io);
  }
  return l;
}

void checkDeclarations(ArchiveReader& r, const Loaded& l) {
  for (CUG* m : l.modules) {
    Module_Info* type = m->moduleType();
    for (CPlug2* p : m->plugs()) {
      const bool free = dynamic_cast<CPlugFeature*>(p) || dynamic_cast<CPlugControled*>(p);
      if (free && p->index() == -1) continue;
      if (!type || !type->declaration(p->index())) {
        refuse(r, "a plug of " + named(m) + " has the declaration number " +
                      std::to_string(p->index()) + ", which its module type does not have");
      }
    }
  }
}

void checkContainers(ArchiveReader& r, const Loaded& l) {
  for (CContainer* c : l.containers) {
    int io_modules = 0;
    for (CDocOb* child : c->children())
      if (dynamic_cast<CUG*>(child) && (child->getModuleFlags() & mf_io_module)) ++io_modules;
    if (io_modules > 1) refuse(r, "the container " + named(c) + " holds more than one IO module");
  }
}

// `siblings`: objects kept at the top level that stand for the children of one container
// that is not part of the load (a paste); connections among them count as that container's.
void checkLines(ArchiveReader& r, const Loaded& l, const std::set<const Archivable*>& siblings) {
  for (CLine2* line : l.lines) {
    CPlug2* ends[2] = {line->from(), line->to()};
    if (!ends[0] || !ends[1]) refuse(r, "a connection lacks an end");
    if (ends[0] == ends[1]) refuse(r, "a connection joins a plug to itself");
    Archivable* owner = r.ownerOf(line);
    auto* container = dynamic_cast<CContainer*>(owner);
    const bool loose = owner == nullptr && siblings.count(line) != 0;
    if (!container && !loose) refuse(r, "a connection belongs to no container");
    const std::string where = container ? named(container) : std::string("the pasted objects");
    for (CPlug2* end : ends) {
      auto* module = dynamic_cast<CUG*>(r.ownerOf(end));
      const bool inside = module && (container ? r.ownerOf(module) == container
                                               : r.ownerOf(module) == nullptr && siblings.count(module) != 0);
      if (r.isDiscarded(end) || !inside)
        refuse(r, "a connection of " + where + " ends at a plug outside that container");
    }
    for (CPlug2* end : ends) {
      const auto& listed = end->loadedLines();
      if (std::count(listed.begin(), listed.end(), line) != 1)
        refuse(r, "a plug of " + named(end->module()) + " does not list its connection once");
    }
  }
  for (CPlug2* p : l.plugs) {
    for (CLine2* line : p->loadedLines()) {
      if (r.isDiscarded(line) || (line->from() != p && line->to() != p))
        refuse(r, "a plug lists a connection that does not end at it");
    }
  }
}

void checkPartners(ArchiveReader& r, const Loaded& l) {
  for (CPlugIO2* p : l.io_plugs) {
    CPlugIO2* partner = p->loadedPartner();
    if (!partner) continue;
    if (partner == p || r.isDiscarded(partner) || partner->loadedPartner() != p)
      refuse(r, "a pair of container plugs does not match up");
  }
}

}  // namespace

void commitDocumentLoad(ArchiveReader& reader) { commitDocumentLoad(reader, {}); }

void commitDocumentLoad(ArchiveReader& reader, const std::vector<Archivable*>& siblings) {
  const std::set<const Archivable*> sibling_set(siblings.begin(), siblings.end());
  Loaded loaded = gather(reader);
  if (reader.fileVersion() <= 35) {
    // Plugs of such files do not list their connections: the connections' ends say it.
    for (CLine2* line : loaded.lines) {
      if (line->from()) line->from()->keepLoadedLine(line);
      if (line->to() && line->to() != line->from()) line->to()->keepLoadedLine(line);
    }
  }
  checkDeclarations(reader, loaded);
  checkContainers(reader, loaded);
  checkLines(reader, loaded, sibling_set);
  checkPartners(reader, loaded);
  reader.commit();
  // Nothing below throws: the checked objects are joined up.
  for (CLine2* line : loaded.lines) line->attachLoadedEnds();
  for (CPlug2* p : loaded.plugs) p->attachLoadedLines();
  for (CPlugIO2* p : loaded.io_plugs) p->attachLoadedPartner();
}

std::vector<uint8_t> storeObjectSlot(CDocOb* object) {
  std::vector<uint8_t> out;
  ArchiveWriter writer(out);
  writer.writeObject(object);
  return out;
}

ContainerLoad loadRootSlot(std::span<const uint8_t> bytes, int32_t file_version,
                           const ClassTable& classes) {
  ContainerLoad result;
  CContainer* root = nullptr;
  LoadContext context;
  context.file_version = file_version;
  ArchiveLoad load = loadArchive(
      bytes, classes,
      [&](ArchiveReader& r) {
        root = r.readObjectAs<CContainer>();
        if (!root) r.fail(ArchiveError::kBadFormat, "the patch holds no container");
        r.keep(root);
        if (root->existingIOModule())
          r.fail(ArchiveError::kBadFormat, "the outermost container of the patch holds an IO module");
        commitDocumentLoad(r);
        return true;
      },
      context);
  if (load.status != ArchiveLoad::kLoaded) {
    result.message = load.message;
    return result;
  }
  result.container.reset(root);
  root->afterLoad();
  return result;
}

}  // namespace kv
