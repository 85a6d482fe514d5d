#include "document/model/line.h"

#include "document/model/container.h"
#include "document/model/document.h"
#include "document/model/plug.h"
#include "modules/registry/module_registry.h"

namespace kv {

const ArchiveClass CLine2::kArchiveClass{
    "CLine2", 1, &CDocOb::kArchiveClass, &createArchivable<CLine2>};

WireColours wireColours(int32_t datatype) {
  switch (datatype) {
    case dt_enum: return {0x006400, 0x00C800};
    case dt_text: return {0x000064, 0x0000C8};
    case dt_midi: return {0x006464, 0x00C8C8};
    case dt_double: return {0x646400, 0xC8C800};
    case dt_volts: return {0x960000, 0xFF3200};
    default: return {0, 0};
  }
}

CLine2::CLine2() : CDocOb(GetModuleRegistry().FindModuleInfo("Line")), attached_(false) {}

CLine2::CLine2(CPlug2* from, CPlug2* to)
    : CDocOb(GetModuleRegistry().FindModuleInfo("Line")), from_(from), to_(to) {}

CLine2::~CLine2() {
  announceDestruction();
  if (attached_) detachEnds();
}

void CLine2::detachEnds() {
  CPlug2* a = from_;
  CPlug2* b = to_;
  if (a) a->lineGoing(this);
  if (b) b->lineGoing(this);
  from_ = to_ = nullptr;
  // Each removeLine may let its module delete that plug; neither is touched afterwards.
  if (a) a->removeLine(this);
  if (b && b != a) b->removeLine(this);
}

void CLine2::destroy() {
  if (CContainer* parent = getParent()) parent->release(this);
  detachEnds();
  delete this;
}

void CLine2::remove() {
  Document* d = getDocument();
  const bool restart = d && d->isEngineRunning();
  if (restart && !d->stopEngine()) return;
  notify(kNotifyRemoving, reinterpret_cast<intptr_t>(this));
  if (d) d->setModified(true);
  destroy();
  if (restart) d->startEngine();
}

void CLine2::setStyle(int32_t style) {
  if (style == style_) return;
  style_ = style;
  notify(kNotifyRectChanged, 0);
}

bool CLine2::isSelected() {
  if (CContainer* p = getParent(); p && p->isSelected()) return true;
  return from_ && to_ && from_->module() && to_->module() && from_->module()->isSelected() &&
         to_->module()->isSelected();
}

void CLine2::setRect(int32_t kind, const Rect& rect) {
  if (kind == kViewStructure) rect_ = rect;
}

}  // namespace kv
