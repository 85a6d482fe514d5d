#include "document/model/doc_ob.h"

#include "document/model/container.h"
#include "document/model/document.h"
#include "modules/registry/module_info.h"

namespace kv {

const ArchiveClass CDocOb::kArchiveClass{"CDocOb", 1, nullptr, &createArchivable<CDocOb>};

CDocOb::~CDocOb() {
  announceDestruction();
  if (parent_) parent_->forgetChild(this);
}

void CDocOb::announceDestruction() {
  if (announced_) return;
  announced_ = true;
  if (Document* d = getDocument()) d->onObjectGoing(this);
  notifyDestroyed();
}

const std::string& CDocOb::moduleTypeId() const {
  static const std::string kNone;
  return module_type_ ? module_type_->id : kNone;
}

Document* CDocOb::getDocument() { return parent_ ? parent_->getDocument() : nullptr; }

void CDocOb::markModified() {
  if (Document* d = getDocument()) d->setModified(true);
}

std::string CDocOb::describe() {
  std::string name = module_type_ ? module_type_->GetName() : std::string();
  std::string title = getTitle();
  if (title != name) name += " '" + title + "'";
  if (Document* d = getDocument()) d->showStatus(name);
  return name;
}

void CDocOb::onCommand(int32_t id) {
  if (id == kCmdDescribe) describe();
  // kCmdHelp opens a help page in the design tool; the plug-in has none.
}

void CDocOb::remove() {
  notify(kNotifyRemoving, reinterpret_cast<intptr_t>(this));
  Document* d = getDocument();
  if (parent_) parent_->release(this);
  if (d) d->setModified(true);
  delete this;
}

void CDocOb::setSelected(bool flag, bool tellParent) {
  if (tellParent && parent_) parent_->deselectOthers(false, this);
  if (selected_ == flag) return;
  selected_ = flag;
  notify(kNotifySelected, flag ? 1 : 0);
}

uint32_t CDocOb::getModuleFlags() { return module_type_ ? module_type_->flags : 0; }

bool CDocOb::isSelected() { return selected_ || (parent_ && parent_->isSelected()); }

GenericIterator<generic_parameter>* CDocOb::createParameterIterator() {
  return new EmptyIterator<generic_parameter>();
}

}  // namespace kv
