#include "document/model/plug.h"

#include <algorithm>

#include "document/model/choice_list.h"
#include "document/model/container.h"
#include "document/model/document.h"
#include "document/model/features.h"
#include "document/model/line.h"
#include "engine/number_text.h"
#include "modules/registry/module_info.h"
#include "platform/message_service.h"

namespace kv {

const ArchiveClass CPlug2::kArchiveClass{"CPlug2", 0x80000002u, nullptr, &createArchivable<CPlug2>};
const ArchiveClass CPlugNameable::kArchiveClass{
    "CPlugNameable", 1, &CPlug2::kArchiveClass, &createArchivable<CPlugNameable>};
const ArchiveClass CPlugIO2::kArchiveClass{
    "CPlugIO2", 1, &CPlugNameable::kArchiveClass, &createArchivable<CPlugIO2>};
const ArchiveClass CPlugControled::kArchiveClass{
    "CPlugControled", 1, &CPlugNameable::kArchiveClass, &createArchivable<CPlugControled>};

CPlug2::~CPlug2() {
  beginDestruction();
  if (module_) module_->notify(kNotifyChildGoing, reinterpret_cast<intptr_t>(this));
}

void CPlug2::beginDestruction() {
  notifyDestroyed();
  removing_ = true;
  if (module_) {
    // Deleted without removePlug: leave the module's list first.
    auto& list = module_->plugs_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  disconnectAll();
}

const InterfaceObject* CPlug2::declaration() const {
  Module_Info* type = module_ ? module_->moduleType() : nullptr;
  return type ? type->declaration(index_) : nullptr;
}

int CPlug2::getDirection() {
  const InterfaceObject* d = declaration();
  return d ? d->direction : DR_IN;
}

int CPlug2::getDatatype() {
  const InterfaceObject* d = declaration();
  return d ? d->datatype : dt_volts;
}

uint32_t CPlug2::getFlags() {
  const InterfaceObject* d = declaration();
  return d ? d->flags : 0;
}

std::string CPlug2::getName() {
  const InterfaceObject* d = declaration();
  return d ? d->name : std::string();
}

std::string CPlug2::getExtension() {
  const InterfaceObject* d = declaration();
  return d ? d->choices : std::string();
}

std::string CPlug2::getExtraText() {
  const InterfaceObject* d = declaration();
  return d ? d->notes : std::string();
}

std::string CPlug2::getChoiceList() {
  if (getDirection() == DR_OUT && !lines_.empty()) {
    CPlug2* input = lines_.front()->otherEnd(this);
    if (input && input->getDirection() != DR_OUT) return input->getChoiceList();
  }
  const InterfaceObject* d = declaration();
  std::string list = d ? d->choices : std::string();
  return module_ ? module_->getChoiceListFor(this, list) : list;
}

std::string CPlug2::getValueText() {
  if (link_) {
    if (auto* v = dynamic_cast<variable<float>*>(link_)) return formatFixed(v->get(), 3);
    if (auto* v = dynamic_cast<variable<std::string>*>(link_)) return v->get();
    if (auto* v = dynamic_cast<variable<int16_t>*>(link_)) return formatInt(v->get());
    if (auto* v = dynamic_cast<variable<bool>*>(link_)) return v->get() ? "1" : "0";
  }
  return value_;
}

void CPlug2::setValueText(const std::string& text) {
  if (text == value_) return;  // unchanged: no notice
  value_ = text;
  if (link_) {
    const int dt = getDatatype();
    if (auto* v = dynamic_cast<variable<std::string>*>(link_); v && dt == dt_text) v->set(text);
    if (auto* v = dynamic_cast<variable<float>*>(link_); v && (dt == dt_volts || dt == dt_float))
      v->set(static_cast<float>(parseDouble(text)));
  }
  if (module_) {
    module_->pushPlugValue(this);
    module_->markModified();
  }
  notify(kNotifyValueChanged, 0);
}

std::string CPlug2::getUnit() { return getDatatype() == dt_volts ? "Volts" : std::string(); }

std::string CPlug2::getFileExtension() {
  return (getFlags() & kDeclFileName) ? getChoiceList() : std::string();
}

bool CPlug2::canExpose() {
  const uint32_t f = getFlags();
  if (!(f & kDeclTakeName)) return false;
  if (!(f & kDeclAutoDuplicate)) return true;
  CPlug2* partner = getPartner();
  return isConnected() || (partner && partner->isConnected());
}

bool CPlug2::isEditable() {
  if (locked()) return false;
  if (getDirection() == DR_OUT && !(getFlags() & kDeclFollowSource)) return false;
  if (isUnconnectedSpare()) return false;
  return true;
}

bool CPlug2::isUnconnectedSpare() {
  if (!(getFlags() & kDeclAutoDuplicate) || isConnected()) return false;
  CPlug2* partner = getPartner();
  return !(partner && partner->isConnected());
}

bool CPlug2::isConnectedTo(const CPlug2* other) const {
  for (CLine2* l : lines_)
    if (l->otherEnd(this) == other) return true;
  return false;
}

void CPlug2::setPosition(Point p) {
  if (p == position_) return;
  position_ = p;
  notify(kNotifyRectChanged, 0);
}

void CPlug2::passNotice(CPlug2* from, int32_t code) {
  for (CLine2* l : std::vector<CLine2*>(lines_)) {
    CPlug2* other = l->otherEnd(this);
    if (!other) continue;
    if (code == kNotifyPeerChoicesChanged) other->notifyChoicesChanged();
    if (other->module()) other->module()->relayNotice(from, other, code);
  }
}

namespace {
// A module has an unconnected spare of the declaration (an IO plug still free to pair, or an
// auto-duplicating plug with no connection).
bool hasSpare(CUG* module, int16_t index, const CPlug2* except) {
  for (CPlug2* p : module->plugs()) {
    if (p == except || p->index() != index) continue;
    if (auto* io = dynamic_cast<CPlugIO2*>(p)) {
      if (!io->partner() && !io->isConnected()) return true;
    } else if (!p->isConnected()) {
      return true;
    }
  }
  return false;
}
}  // namespace

void CPlug2::addLine(CLine2* line) {
  lines_.push_back(line);
  if (module_) module_->onLineAdded(line);
  CPlug2* other = line->otherEnd(this);
  const uint32_t f = getFlags();
  const bool first = lines_.size() == 1;
  if ((f & kDeclFollowSource) && first && other) setValueText(other->getValueText());
  if ((f & kDeclAutoDuplicate) && first) {
    CPlug2* partner = getPartner();
    if (partner && !partner->isConnected() && partner->module() &&
        !hasSpare(partner->module(), partner->index(), partner))
      partner->module()->createPlug(partner->index());
    if ((f & kDeclTakeName) && other && !keep_name_) setName(other->getName());
    // The module keeps exactly one spare: a new one only when this plug was it.
    if (module_ && !hasSpare(module_, index_, this)) module_->createPlug(index_);
  }
  if (getDatatype() == dt_enum) passNotice(this, kNotifyPeerChoicesChanged);
}

void CPlug2::dropLine(CLine2* line) {
  lines_.erase(std::remove(lines_.begin(), lines_.end(), line), lines_.end());
}

void CPlug2::removeLine(CLine2* line) {
  dropLine(line);
  // The module may remove this plug now (an unconnected duplicate): nothing after this.
  if (module_) module_->onLineRemoved(this);
}

void CPlug2::disconnectAll() {
  disconnecting_ = true;
  while (!lines_.empty()) lines_.back()->destroy();
  disconnecting_ = false;
  if (module_ && !removing_) module_->onLineRemoved(this);  // may delete this plug
}

CLine2* CPlug2::connect(CPlug2* other) {
  using namespace connect_text;
  if (!other || other == this) return nullptr;
  auto refuse = [](const char* text) -> CLine2* {
    showMessage(text, MessageIcon::Plain);
    return nullptr;
  };
  const int d1 = getDirection(), d2 = other->getDirection();
  if (d1 == DR_PARAMETER || d2 == DR_PARAMETER) return refuse(kSettingPlug);
  if (d1 == d2) return refuse(kSameDirection);
  CContainer* container = module_ ? module_->getParent() : nullptr;
  if (!container || !other->module() || other->module()->getParent() != container)
    return refuse(kDifferentContainers);
  if (d1 != DR_CONTAINER_IO && d2 != DR_CONTAINER_IO) {
    if (getDatatype() != other->getDatatype()) return refuse(kDifferentTypesLong);
    if ((getFlags() ^ other->getFlags()) & kDeclFeature) return refuse(kDifferentTypes);
  }
  if (!(getFlags() & kDeclFeature)) {
    for (CPlug2* p : {this, other}) {
      const int dt = p->getDatatype();
      if (p->getDirection() == DR_IN && p->isConnected() && dt != dt_midi && dt != dt_volts)
        return refuse(kOnlyOneInput);
    }
  }
  if (d2 == DR_OUT && other->getDatatype() == dt_enum && other->isConnected() &&
      !choiceListsCompatible(getChoiceList(), other->getChoiceList()))
    return refuse(kListboxNotCompatible);
  if (d1 == DR_OUT && getDatatype() == dt_enum && isConnected()) {
    CPlug2* existing = lines_.front()->otherEnd(this);
    if (existing && !choiceListsCompatible(other->getChoiceList(), existing->getChoiceList()))
      return refuse(kWrongListbox);
  }
  if (isConnectedTo(other)) return refuse(kAlreadyConnected);

  Document* doc = container->getDocument();
  const bool restart = doc && doc->isEngineRunning();
  if (restart && !doc->stopEngine()) return nullptr;  // the engine still runs: no edit
  if (doc) doc->setModified(true);
  CPlug2* from = (d1 != DR_IN && d2 != DR_OUT) ? this : other;
  CPlug2* to = from == this ? other : this;
  CLine2* line = container->makeLine(from, to);
  if (restart) doc->startEngine();
  return line;
}

// ---- CPlugNameable ----

void CPlugNameable::setName(const std::string& text) {
  if (name_ == text) return;
  name_ = text;
  notify(kNotifyNameChanged, reinterpret_cast<intptr_t>(&name_));
  if (module()) {
    module()->onPlugChanged(this);
    module()->markModified();
  }
  if (CPlug2* partner = getPartner()) partner->setName(text);
}

// ---- CPlugIO2 ----

CPlugIO2::~CPlugIO2() {
  notifyDestroyed();
  unpair();
}

void CPlugIO2::pairWith(CPlugIO2* partner) {
  unpair();
  if (!partner || partner == this) return;
  partner->unpair();
  partner_ = partner;
  partner->partner_ = this;
}

void CPlugIO2::unpair() {
  if (partner_ && partner_->partner_ == this) partner_->partner_ = nullptr;
  partner_ = nullptr;
}

void CPlugIO2::setName(const std::string& text) { CPlugNameable::setName(text); }

CPlugIO2* findSparePlug(CUG* module) {
  if (!module) return nullptr;
  for (CPlug2* p : module->plugs())
    if (auto* io = dynamic_cast<CPlugIO2*>(p); io && !io->partner() && io->role() == CPlugIO2::kRoleSpare)
      return io;
  return nullptr;
}

void CPlugIO2::addLine(CLine2* line) {
  keep_name_ = partner_ != nullptr;
  if (!partner_) {
    CPlug2* other = line->otherEnd(this);
    CPlugIO2* spare = nullptr;
    if (auto* container = dynamic_cast<CContainer*>(module()))
      spare = findSparePlug(container->findIOModule());
    else if (module())
      spare = findSparePlug(module()->getParent());
    if (spare && other) {
      pairWith(spare);
      datatype_ = spare->datatype_ = static_cast<int16_t>(other->getDatatype());
      if (other->getDirection() == DR_OUT) {
        role_ = kRoleInput;
        spare->role_ = kRoleOutput;
      } else {
        role_ = kRoleOutput;
        spare->role_ = kRoleInput;
        spare->setValueText(other->getValueText());
      }
      CPlugNameable::setName(other->getName());
    }
  }
  CPlug2::addLine(line);
  keep_name_ = false;
  if (partner_) partner_->setName(getName());
}

CPlug2* CPlugIO2::getSource() {
  CPlug2* p = this;
  for (int step = 0; step < 1000; ++step) {
    auto* io = dynamic_cast<CPlugIO2*>(p);
    if (!io) return p;
    CPlugIO2* partner = io->partner();
    if (!partner || partner->lines().empty()) return p;
    p = partner->lines().front()->otherEnd(partner);
    if (!p) return partner;
  }
  return p;
}

std::string CPlugIO2::getChoiceList() {
  // Chains of pairs are followed at most 1000 steps (a malformed document cannot loop).
  static thread_local int depth = 0;
  if (role_ != kRoleInput || !partner_ || depth >= 1000) return CPlug2::getChoiceList();
  ++depth;
  std::string list = partner_->getChoiceList();
  --depth;
  return list;
}

// ---- CPlugControled ----

uint32_t CPlugControled::getFlags() {
  uint32_t f = CPlug2::getFlags() & ~uint32_t(kDeclUnlisted);
  if (datatype_ == dt_text && !extension_.empty()) f |= kDeclFileName;
  if (direction_ == DR_OUT) f |= kDeclFollowSource;
  return f;
}

void CPlugControled::setNormalised(double x) {
  if (datatype_ == dt_volts) {
    if (!(x == x)) x = 0.0;
    setValueText(formatFixed(x * 10.0, 6));
    return;
  }
  CPlug2::setNormalised(x);
}

double CPlugControled::getNormalised() {
  if (datatype_ == dt_volts) return parseDouble(getValueText()) * 0.1;
  return CPlug2::getNormalised();
}

}  // namespace kv
