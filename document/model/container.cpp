#include "document/model/container.h"

#include <algorithm>
#include <cctype>

#include "document/model/choice_list.h"
#include "document/model/doc_iterators.h"
#include "document/model/document.h"
#include "document/model/extra_parameter.h"
#include "document/model/line.h"
#include "engine/number_text.h"
#include "document/model/plug.h"
#include "modules/registry/module_registry.h"
#include "platform/message_service.h"
#include "document/model/module_factory.h"

namespace kv {

const ArchiveClass CUG_with_patches::kArchiveClass{
    "CUG_with_patches", 1, &CUG::kArchiveClass, &createArchivable<CUG_with_patches>};
const ArchiveClass CContainer::kArchiveClass{
    "CContainer", 0x8000005Fu, &CUG::kArchiveClass, &createArchivable<CContainer>};

std::vector<std::string>& installedSkinNames() {
  static std::vector<std::string> names{"default"};
  return names;
}

namespace {
std::string defaultProgramName(int program) { return "Patch " + formatInt(program + 1); }
}  // namespace

CContainer::CContainer() {
  for (int i = 0; i < kProgramCount; ++i) program_names_[i] = defaultProgramName(i);
  addContainerParameters();
}

CContainer::CContainer(Module_Info* type) : CUG_with_patches(type) {
  for (int i = 0; i < kProgramCount; ++i) program_names_[i] = defaultProgramName(i);
  addContainerParameters();
}

void CContainer::addContainerParameters() {
  addExtraParameter(new parameter_cug_xtra(
      "Skin", dt_enum,
      [this] {
        const auto& skins = installedSkinNames();
        auto it = std::find(skins.begin(), skins.end(), skin_name_);
        return formatInt(it == skins.end() ? 0 : it - skins.begin());
      },
      [this](const std::string& text) {
        const auto& skins = installedSkinNames();
        const int n = parseInt(text);
        if (n < 0 || n >= static_cast<int>(skins.size()) || skins[n] == skin_name_) return;
        skin_name_ = skins[n];
        markModified();
        if (generic_parameter* p = findParameter("Skin")) p->notifyValueChanged();
      },
      [] {
        std::string list;
        for (const std::string& s : installedSkinNames()) {
          if (!list.empty()) list += ",";
          list += choiceLabel(s);
        }
        return list;
      }));
  addExtraParameter(new parameter_cug_xtra(
      "Program", dt_text, [this] { return formatInt(current_program_); },
      [this](const std::string& text) { setProgram(parseInt(text)); },
      [] { return std::string("range 0,127"); }));
  addExtraParameter(new parameter_cug_xtra(
      "Program Name", dt_text, [this] { return program_names_[current_program_]; },
      [this](const std::string& text) { setProgramName(current_program_, text); },
      [this] {
        std::string list;
        for (int i = 0; i < kProgramCount; ++i) {
          if (i) list += ",";
          list += choiceLabel(program_names_[i]);
          if (i == 0) list += "=0";
        }
        return list;
      }));
}

CContainer::~CContainer() {
  announceDestruction();
  beginTeardown();
  // Children go from the end of the list backwards: connections first.
  while (!children_.empty()) {
    CDocOb* child = children_.back();
    children_.pop_back();
    delete child;
  }
  removeAllPlugs();
}

Document* CContainer::getDocument() {
  if (document_) return document_;
  return getParent() ? getParent()->getDocument() : nullptr;
}

void CContainer::insertChild(CDocOb* object, bool atEnd) {
  if (atEnd || dynamic_cast<CLine2*>(object))
    children_.push_back(object);
  else
    children_.insert(children_.begin(), object);
}

void CContainer::adopt(CDocOb* object) {
  if (!object || object == this) return;
  // Never adopt an ancestor (that would make a cycle).
  for (CContainer* c = getParent(); c; c = c->getParent())
    if (c == object) return;
  if (std::find(children_.begin(), children_.end(), object) != children_.end()) return;
  object->setParent(this);
  insertChild(object, false);
  notify(kNotifyChildAdded, reinterpret_cast<intptr_t>(object));
  if (object->moduleTypeId() == "Patch Select") {
    if (Document* d = getDocument()) d->onPatchSelectChanged(this);
    tellParentContentChanged();
  }
}

void CContainer::adoptAtEnd(CDocOb* object) {
  if (!object || object == this) return;
  if (std::find(children_.begin(), children_.end(), object) != children_.end()) return;
  object->setParent(this);
  insertChild(object, true);
  notify(kNotifyChildAdded, reinterpret_cast<intptr_t>(object));
}

void CContainer::release(CDocOb* object) {
  auto it = std::find(children_.begin(), children_.end(), object);
  if (it == children_.end()) return;
  notify(kNotifyChildGoing, reinterpret_cast<intptr_t>(object));
  it = std::find(children_.begin(), children_.end(), object);
  if (it != children_.end()) children_.erase(it);
  if (object->moduleTypeId() == "Patch Select") {
    if (Document* d = getDocument()) d->onPatchSelectChanged(this);
    tellParentContentChanged();
  }
}

void CContainer::forgetChild(CDocOb* object) {
  children_.erase(std::remove(children_.begin(), children_.end(), object), children_.end());
}

CLine2* CContainer::makeLine(CPlug2* from, CPlug2* to) {
  auto* line = new CLine2(from, to);
  adopt(line);
  from->addLine(line);
  to->addLine(line);
  return line;
}

CUG* CContainer::existingIOModule() const {
  for (CDocOb* c : children_)
    if (auto* m = dynamic_cast<CUG*>(c); m && (m->getModuleFlags() & mf_io_module)) return m;
  return nullptr;
}

CUG* CContainer::findIOModule() {
  if (CUG* io = existingIOModule()) return io;
  auto* io = dynamic_cast<CUG*>(CreateDocumentModule("IO Mod"));
  if (!io) return nullptr;
  adopt(io);
  Rect r = io->getRect(kViewStructure);
  r.offset(20, 20);
  io->setRect(kViewStructure, r);
  return io;
}

bool CContainer::hasPatchSelect() const {
  for (CDocOb* c : children_)
    if (c->moduleTypeId() == "Patch Select") return true;
  return false;
}

bool CContainer::showsControls() {
  CPlug2* p = findPlug("Show Controls");
  return p && parseInt(p->getValueText()) > 0;
}

bool CContainer::patchHasPrograms() {
  for (CContainer* c = this; c; c = c->getParent()) {
    if (c->hasPatchSelect()) return true;
    if (!c->getParent() || !c->showsControls()) return false;
  }
  return false;
}

int CContainer::countAudioPlugs(int direction) {
  int n = 0;
  for (CPlug2* p : plugs())
    if (p->getDirection() == direction && p->getDatatype() == dt_volts && !p->isUnconnectedSpare()) ++n;
  return n;
}

CPlug2* CContainer::findMidiPlug(int direction) {
  for (CPlug2* p : plugs())
    if (p->getDirection() == direction && p->getDatatype() == dt_midi && !p->isUnconnectedSpare()) return p;
  return nullptr;
}

void CContainer::gatherParameters(std::vector<generic_parameter*>& list) {
  it_parameter_container walk(this);
  for (walk.first(); !walk.isDone(); walk.next()) {
    generic_parameter* p = walk.current();
    const bool host = p->alwaysNotifyHost();
    const std::string name = p->getName();
    // After every entry whose key is not greater: equal keys keep their walking order.
    auto pos = std::find_if(list.begin(), list.end(), [&](generic_parameter* q) {
      const bool qh = q->alwaysNotifyHost();
      if (qh != host) return qh && !host;
      return q->getName() > name;
    });
    list.insert(pos, p);
  }
}

CDocOb* CContainer::addModule(const std::string& name, int32_t kind, Point position) {
  if (name.compare(0, 3, "*P=") == 0) return addFile(name.substr(3), kind, position);
  Module_Info* type = GetModuleRegistry().FindModuleInfo(name);
  if (!type) return nullptr;
  if (!getParent() && (type->flags & mf_io_module)) {
    showMessage(container_text::kIoOnlyInContainer, MessageIcon::Plain);
    return nullptr;
  }
  Document* d = getDocument();
  const bool restart = d && d->isEngineRunning();
  if (restart && !d->stopEngine()) return nullptr;
  CDocOb* object = CreateDocumentModule(name);
  if (!object) {
    if (restart) d->startEngine();
    return nullptr;
  }
  adopt(object);
  for (int32_t view : {kViewStructure, kViewPanel}) {
    Point at = position;
    if (position.x == -1 && position.y == -1) {
      const Rect b = getBounds(view);
      const Point s = getSize(view);
      RandomSource fallback;
      RandomSource& r = d ? d->random() : fallback;
      at.x = s.x + b.width() / 2 + (r.next() % 16 - 7);
      at.y = s.y + b.height() / 2 + (r.next() % 16 - 7);
    }
    Rect rect = object->getRect(view);
    rect.offset(at.x - rect.left, at.y - rect.top);
    object->setRect(view, rect);
  }
  deselectOthers(false, object);
  object->setSelected(true, false);
  notify(kNotifyObjectAdded, reinterpret_cast<intptr_t>(object));
  markModified();
  if (restart) d->startEngine();
  return object;
}

// "*P=" names a file: a patch file (".kv1") is merged into this container; hosted plug-in
// files are made into modules by the plug-in hosting family, which answers nothing until it
// is present.
CDocOb* CContainer::addFile(const std::string& path, int32_t kind, Point position) {
  const size_t dot = path.find_last_of('.');
  std::string ext = dot == std::string::npos ? std::string() : path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  Document* d = getDocument();
  if (ext != "kv1" || !d) return nullptr;
  Point at = position;
  if (position.x == -1 && position.y == -1) {
    const int32_t view = kind == kViewPanel ? kViewPanel : kViewStructure;
    const Rect b = getBounds(view);
    const Point s = getSize(view);
    at.x = s.x + b.width() / 2 + (d->random().next() % 16 - 7);
    at.y = s.y + b.height() / 2 + (d->random().next() % 16 - 7);
  }
  const std::vector<CDocOb*> added = d->insertPatch(this, path, at);
  if (added.empty()) return nullptr;
  markModified();
  return added.front();
}

bool CContainer::copySelection(std::vector<CDocOb*>* selected) {
  std::vector<CDocOb*> chosen;
  for (CDocOb* c : children_) {
    if (!c->ownSelectedFlag()) continue;
    if (c->getModuleFlags() & mf_io_module) {
      showMessage(container_text::kCantCopyIo, MessageIcon::Exclamation);
      return false;
    }
    chosen.push_back(c);
  }
  if (selected) *selected = std::move(chosen);
  return true;
}

CContainer* CContainer::groupSelection() {
  std::vector<CDocOb*> moved;
  for (CDocOb* c : children_)
    if (c->ownSelectedFlag() && !dynamic_cast<CLine2*>(c) && !(c->getModuleFlags() & mf_io_module))
      moved.push_back(c);
  if (moved.empty()) return nullptr;
  Document* d = getDocument();
  const bool restart = d && d->isEngineRunning();
  if (restart && !d->stopEngine()) return nullptr;
  auto* group = dynamic_cast<CContainer*>(CreateDocumentModule("Container"));
  if (!group) {
    if (restart) d->startEngine();
    return nullptr;
  }
  adopt(group);
  CUG* io = group->findIOModule();
  auto isMoved = [&](CPlug2* p) {
    return p && std::find(moved.begin(), moved.end(), p->module()) != moved.end();
  };

  // The area the moved modules cover (structure view).
  Rect area;
  bool first = true;
  for (CDocOb* o : moved) {
    const Rect r = o->getRect(kViewStructure);
    if (first) area = r;
    area.left = std::min(area.left, r.left);
    area.top = std::min(area.top, r.top);
    area.right = std::max(area.right, r.right);
    area.bottom = std::max(area.bottom, r.bottom);
    first = false;
  }
  // Move the modules, keeping their order.
  for (auto it = moved.rbegin(); it != moved.rend(); ++it) {
    release(*it);
    group->adopt(*it);
  }
  for (CDocOb* o : std::vector<CDocOb*>(children_)) {
    auto* line = dynamic_cast<CLine2*>(o);
    if (!line) continue;
    const bool fromIn = isMoved(line->from()), toIn = isMoved(line->to());
    if (fromIn && toIn) {  // wholly inside: the line moves with the modules
      release(line);
      group->adoptAtEnd(line);
    } else if (fromIn || toIn) {
      // Crossing: a new inner line from the IO module's spare to the inside plug makes the
      // pair; then the old line's inside end is moved to the pair's outer plug. No plug is
      // ever left without a connection, so no duplicate is dropped on the way.
      CPlug2* inside = fromIn ? line->from() : line->to();
      CPlugIO2* spare = findSparePlug(io);
      if (!spare) continue;
      if (toIn) group->makeLine(spare, inside);
      else group->makeLine(inside, spare);
      CPlugIO2* outer = spare->partner();
      if (!outer) continue;
      inside->dropLine(line);
      if (toIn) line->setEnds(line->from(), outer);
      else line->setEnds(outer, line->to());
      outer->addLine(line);
    }
  }
  Rect r = group->getRect(kViewStructure);
  const int32_t cx = (area.left + area.right) / 2, cy = (area.top + area.bottom) / 2;
  r.offset(cx - r.width() / 2 - r.left, cy - r.height() / 2 - r.top);
  group->setRect(kViewStructure, r);
  for (CDocOb* o : moved) {
    Rect m = o->getRect(kViewStructure);
    m.offset(20 - area.left, 80 - area.top);
    o->setRect(kViewStructure, m);
  }
  markModified();
  if (restart) d->startEngine();
  return group;
}

void CContainer::propagate(intptr_t value) {
  for (CDocOb* c : std::vector<CDocOb*>(children_)) c->propagate(value);
}

void CContainer::afterLoad() {
  CUG::afterLoad();
  if (CPlug2* spare = findSparePlug(this)) spare->setLocked(spareLocked());
  for (CDocOb* c : std::vector<CDocOb*>(children_)) c->afterLoad();
}

Rect CContainer::getBounds(int32_t kind) {
  if (kind == kViewPanel) return panel_bounds_;
  if (kind == kViewStructure) return structure_bounds_;
  return Rect{};
}

void CContainer::setBounds(int32_t kind, const Rect& bounds) {
  if (kind == kViewPanel) panel_bounds_ = bounds;
  else if (kind == kViewStructure) structure_bounds_ = bounds;
  else return;
  markModified();
}

Rect CContainer::getRect(int32_t kind) {
  return kind == kViewPanel ? panel_rect_ : CUG::getRect(kind);
}

void CContainer::setRect(int32_t kind, const Rect& rect) {
  if (kind != kViewPanel) {
    CUG::setRect(kind, rect);
    return;
  }
  if (rect == panel_rect_) return;
  panel_rect_ = rect;
  notify(kNotifyRectChanged, kViewPanel);
}

void CContainer::deselectOthers(bool flag, CDocOb* except) {
  for (CDocOb* c : std::vector<CDocOb*>(children_))
    if (c != except) c->setSelected(flag, false);
}

bool CContainer::isSelected() { return copy_source_ ? false : CUG::isSelected(); }

Point CContainer::getSize(int32_t kind) {
  if (kind == kViewPanel) return panel_scroll_;
  if (kind == kViewStructure) return structure_scroll_;
  return Point{};
}

void CContainer::setScroll(int32_t kind, Point p) {
  if (kind == kViewPanel) panel_scroll_ = p;
  else if (kind == kViewStructure) structure_scroll_ = p;
}

void CContainer::pushPlugValue(CPlug2* plug) {
  CUG::pushPlugValue(plug);
  if (plug->getName() == "Show Controls") {
    if (CContainer* parent = getParent()) {
      parent->notify(kNotifyChildGoing, reinterpret_cast<intptr_t>(this));
      parent->notify(kNotifyChildAdded, reinterpret_cast<intptr_t>(this));
    }
  }
}

void CContainer::clearRuntime() {
  CUG::clearRuntime();
  for (CDocOb* c : children_)
    if (auto* m = dynamic_cast<CUG*>(c)) m->clearRuntime();
}

GenericIterator<generic_parameter>* CContainer::createParameterIterator() {
  return new DualIterator<generic_parameter>(CUG::createParameterIterator(),
                                             new it_parameter_container(this));
}

void CContainer::setCurrentProgramQuiet(int program) {
  current_program_ = (program >= 0 && program < kProgramCount) ? program : 0;
}

const std::string& CContainer::programName(int program) const {
  static const std::string kNone;
  return (program >= 0 && program < kProgramCount) ? program_names_[program] : kNone;
}

void CContainer::setProgramName(int program, const std::string& name) {
  if (program < 0 || program >= kProgramCount || program_names_[program] == name) return;
  program_names_[program] = name;
  markModified();
  if (generic_parameter* p = findParameter("Program Name")) {
    if (program == current_program_) {
      if (generic_parameter* q = findParameter("Program")) q->notifyValueChanged();
      p->notifyValueChanged();
    }
    p->notifyChoicesChanged();
  }
  if (program == current_program_) notify(kNotifyProgramChanged, current_program_);
}

std::vector<std::string> CContainer::programNames() const {
  return std::vector<std::string>(program_names_.begin(), program_names_.end());
}

void CContainer::setProgramNames(const std::vector<std::string>& names) {
  for (int i = 0; i < kProgramCount; ++i)
    program_names_[i] = i < static_cast<int>(names.size()) ? names[i] : defaultProgramName(i);
}

void CContainer::setSpareLocked(bool locked) {
  if (spareLocked() == locked) return;
  spare_locked_ = locked ? 1 : 0;
  notify(kNotifySpareLockChanged, reinterpret_cast<intptr_t>(&spare_locked_));
  if (Document* d = getDocument()) d->onSpareLockChanged(this);
  if (CPlug2* spare = findSparePlug(this)) spare->setLocked(locked);
  tellParentContentChanged();
}

}  // namespace kv
