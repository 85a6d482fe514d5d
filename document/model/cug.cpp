#include "document/model/cug.h"

#include <algorithm>

#include "document/model/choice_list.h"
#include "document/model/container.h"
#include "document/model/doc_iterators.h"
#include "document/model/document.h"
#include "document/model/extra_parameter.h"
#include "document/model/line.h"
#include "engine/number_text.h"
#include "document/model/plug.h"
#include "document/model/plug_feature.h"
#include "engine/ug_base.h"
#include "modules/registry/module_info.h"
#include "modules/registry/unit_generator_link.h"

namespace kv {

const ArchiveClass CUG::kArchiveClass{"CUG", 1, &CDocOb::kArchiveClass, &createArchivable<CUG>};
const ArchiveClass CSwitch::kArchiveClass{
    "CSwitch", 1, &CUG::kArchiveClass, &createArchivable<CSwitch>};

CUG::CUG() { addTitleParameter(); }

CUG::CUG(Module_Info* type) : CDocOb(type) {
  if (type) {
    title_ = type->GetId();
    for (std::size_t i = 0; i < type->declarations.size(); ++i)
      createPlug(static_cast<int>(i), type->declarations[i]);
  }
  addTitleParameter();
}

void CUG::addTitleParameter() {
  addExtraParameter(new parameter_cug_xtra2(
      "Title", dt_text, [this] { return getTitle(); },
      [this](const std::string& t) { setTitle(t); }));
}

CUG::~CUG() {
  announceDestruction();
  beginTeardown();
  if (CContainer* p = getParent()) p->notify(kNotifyChildGoing, reinterpret_cast<intptr_t>(this));
  std::vector<generic_parameter*> extras;
  extras.swap(extra_parameters_);
  for (auto it = extras.rbegin(); it != extras.rend(); ++it) delete *it;
  removeAllPlugs();
}

void CUG::removeAllPlugs() {
  while (!plugs_.empty()) removePlug(plugs_.back());
}

CPlug2* CUG::createPlug(int index) {
  const InterfaceObject* d = moduleType() ? moduleType()->declaration(index) : nullptr;
  return d ? createPlug(index, *d) : nullptr;
}

CPlug2* CUG::createPlug(int index, const InterfaceObject& d) {
  CPlug2* plug;
  if (d.direction == DR_CONTAINER_IO)
    plug = new CPlugIO2(static_cast<int16_t>(index), d.default_value);
  else if (d.flags & kDeclTakeName)
    plug = new CPlugNameable(static_cast<int16_t>(index), d.default_value, d.name);
  else
    plug = new CPlug2(static_cast<int16_t>(index), d.default_value);
  insertPlug(plug);
  tellParentContentChanged();
  return plug;
}

void CUG::insertPlug(CPlug2* plug) {
  plug->setModule(this);
  auto larger = std::find_if(plugs_.begin(), plugs_.end(),
                             [&](CPlug2* p) { return p->index() > plug->index(); });
  if (larger != plugs_.end()) {
    plugs_.insert(larger, plug);
  } else if (!plugs_.empty() && plugs_.back()->getDirection() == DR_CONTAINER_IO &&
             plug->getDirection() != DR_PARAMETER) {
    plugs_.insert(plugs_.end() - 1, plug);
  } else {
    plugs_.push_back(plug);
  }
}

void CUG::reorderPlugs() {
  std::vector<CPlug2*> old;
  old.swap(plugs_);
  for (CPlug2* p : old) insertPlug(p);
}

CPlug2* CUG::findPlug(const std::string& name) const {
  for (CPlug2* p : plugs_)
    if (p->getName() == name) return p;
  return nullptr;
}

bool CUG::ConnectedChoiceValues(const std::string& plug, int limit,
                                std::vector<int>& values) const {
  CPlug2* p = findPlug(plug);
  if (!p) return false;
  for (CLine2* l : p->lines()) {
    CPlug2* other = l->otherEnd(p);
    if (!other) continue;
    ChoiceList list(other->getChoiceList());
    values.clear();
    const int64_t n = std::min<int64_t>(list.size(), limit);
    for (int64_t i = 0; i < n; ++i) values.push_back(list.entry(i).value);
    return true;
  }
  return false;
}

CPlug2* CUG::findPlug(int direction, int datatype, int n) const {
  for (CPlug2* p : plugs_) {
    if (p->getDirection() == direction && p->getDatatype() == datatype) {
      if (n == 0) return p;
      --n;
    }
  }
  return nullptr;
}

int CUG::runtimePlugIndex(const CPlug2* plug) const {
  int n = 0;
  for (CPlug2* p : plugs_) {
    const bool counted = !(p->getFlags() & kDeclFeature) && !p->isUnconnectedSpare();
    if (p == plug) return counted ? n : -1;
    if (counted) ++n;
  }
  return -1;
}

void CUG::removePlug(CPlug2* plug) {
  if (!plug || plug->removing_) return;
  auto it = std::find(plugs_.begin(), plugs_.end(), plug);
  if (it == plugs_.end()) return;
  plug->removing_ = true;
  plugs_.erase(it);
  // The pair goes together: the partner leaves its module too (unless that module is being
  // destroyed anyway).
  if (auto* io = dynamic_cast<CPlugIO2*>(plug)) {
    CPlugIO2* partner = io->partner();
    io->unpair();
    if (partner && partner->module() && !partner->module()->tearingDown())
      partner->module()->removePlug(partner);
  }
  delete plug;
  if (!tearing_down_) {
    tellParentContentChanged();
    refreshAutoLists();
  }
}

void CUG::onPlugChanged(CPlug2* plug) {
  tellParentContentChanged();
  refreshAutoLists();
}

void CUG::pushPlugValue(CPlug2* plug) {
  if (!unit_generator_ || (plug->getFlags() & kDeclFeature)) return;
  bool push = (plug->getFlags() & kDeclFollowSource) != 0;
  if (!push) {
    const int dir = plug->getDirection();
    if (dir == DR_IN || dir == DR_PARAMETER) {
      bool fedByEnabledModule = false;
      for (CLine2* l : plug->lines()) {
        CPlug2* other = l->otherEnd(plug);
        if (other && other->module() && !other->module()->isDisabled()) fedByEnabledModule = true;
      }
      push = !fedByEnabledModule;
    }
  }
  if (push) setUnitGeneratorPlugValue(unit_generator_, runtimePlugIndex(plug), plug->getValueText());
}

void CUG::onLineRemoved(CPlug2* plug) {
  if (tearing_down_ || !plug || plug->disconnecting_) return;
  if (!(plug->getFlags() & kDeclAutoDuplicate) || plug->isConnected()) return;
  CPlug2* partner = plug->getPartner();
  if (partner && partner->isConnected()) return;
  removePlug(plug);
}

std::string CUG::getChoiceListFor(CPlug2* plug, const std::string& list) {
  if (list != "{AUTO}") return list;
  std::string names;
  for (CPlug2* p : plugs_) {
    if ((p->getFlags() & kDeclAutoDuplicate) && p->isConnected()) {
      if (!names.empty()) names += ",";
      names += p->getName();
    }
  }
  return names.empty() ? "<none>" : names;
}

void CUG::refreshAutoLists() {
  for (CPlug2* p : std::vector<CPlug2*>(plugs_)) {
    const InterfaceObject* d = p->declaration();
    if (d && d->choices == "{AUTO}") {
      p->notifyChoicesChanged();
      p->passNotice(p, kNotifyPeerChoicesChanged);
    }
  }
}

void CUG::tellParentContentChanged() {
  if (CContainer* parent = getParent())
    parent->notify(kNotifyChildChanged, reinterpret_cast<intptr_t>(this));
}

ug_base* CUG::createRuntime() {
  counter = 0;
  unit_generator_ = nullptr;
  if (isDisabled() || !moduleType()) return nullptr;
  unit_generator_ = moduleType()->CreateUG();
  if (unit_generator_) unit_generator_->document_module = this;
  return unit_generator_;
}

std::string CUG::describeRuntime() {
  std::string text;
  if (unit_generator_)
    text = unit_generator_->sort_order < 0 ? "?" : formatInt(unit_generator_->sort_order);
  return text + " " + getTitle();
}

void CUG::syncFeaturePlugs() {
  int highest = -1;
  for (CPlug2* p : plugs_) {
    auto* fp = dynamic_cast<CPlugFeature*>(p);
    if (!fp) continue;
    feature_info info;
    if (getFeature(fp->featureIndex(), info)) fp->setFeatureInfo(info.name, info.extra);
    highest = std::max(highest, fp->featureIndex());
  }
  feature_info info;
  for (int i = highest + 1; getFeature(i, info); ++i) {
    auto* plug = new CPlugFeature2(i, info.name, info.variable ? DR_OUT : DR_IN, info.datatype,
                                   info.extra, "0");
    plug->setModule(this);
    plugs_.push_back(plug);  // feature plugs have no declaration index: appended
    tellParentContentChanged();
    info = feature_info{};
  }
}

void CUG::setDisabled(bool disabled) {
  if (isDisabled() == disabled) return;
  disabled_ = disabled ? 1 : 0;
  notify(kNotifyDisabledChanged, reinterpret_cast<intptr_t>(&disabled_));
  markModified();
  if (Document* d = getDocument()) {
    if (d->isEngineRunning() && d->stopEngine()) d->startEngine();
  }
}

void CUG::afterLoad() {
  for (CPlug2* p : std::vector<CPlug2*>(plugs_)) p->afterLoad();
}

void CUG::onCommand(int32_t id) {
  if (id == kCmdToggleDisabled) {
    setDisabled(!isDisabled());
  } else if (id == kCmdRestartUnitGenerator) {
    if (Document* d = getDocument())
      if (d->isEngineRunning() && d->stopEngine()) d->startEngine();
  } else if (id == kCmdShowTitle) {
    if (Document* d = getDocument()) d->showStatus(getTitle());
  } else if (id >= kCmdFirstProgram && id <= kCmdLastProgram) {
    if (generic_parameter* p = findParameter("Program")) p->setValueText(formatInt(id - kCmdFirstProgram));
  } else {
    CDocOb::onCommand(id);
  }
}

void CUG::remove() {
  Document* d = getDocument();
  const bool restart = d && d->isEngineRunning();
  if (restart && !d->stopEngine()) return;  // the engine still runs: leave the document as it is
  for (CPlug2* p : std::vector<CPlug2*>(plugs_)) {
    // A plug may vanish while others are disconnected (a partner); only touch live ones.
    if (std::find(plugs_.begin(), plugs_.end(), p) != plugs_.end()) p->disconnectAll();
  }
  CDocOb::remove();
  if (restart) d->startEngine();
}

Rect CUG::getRect(int32_t kind) { return kind == kViewStructure ? rect_ : Rect{}; }

void CUG::setRect(int32_t kind, const Rect& rect) {
  if (kind != kViewStructure || rect == rect_) return;
  rect_ = rect;
  notify(kNotifyRectChanged, kViewStructure);
}

void CUG::setTitle(const std::string& title) {
  if (title_ == title) return;
  markModified();
  title_ = title;
  notify(kNotifyNameChanged, reinterpret_cast<intptr_t>(&title_));
  if (!extra_parameters_.empty()) extra_parameters_.front()->notifyValueChanged();
  tellParentContentChanged();
}

generic_parameter* CUG::findParameter(const std::string& name) {
  for (generic_parameter* p : extra_parameters_)
    if (p->getName() == name) return p;
  return nullptr;
}

GenericIterator<generic_parameter>* CUG::createParameterIterator() {
  return new DualIterator<generic_parameter>(new it_parameter_cug_plugs(this),
                                             new it_parameter_list(extra_parameters_));
}

}  // namespace kv
