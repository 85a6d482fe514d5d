#include "doc/model/document.h"

#include "doc/model/container.h"

namespace kv {

Document::Document() = default;

Document::~Document() { setRoot(nullptr); }

void Document::setRoot(CContainer* root) {
  if (root_ == root) return;
  CContainer* old = root_;
  root_ = root;
  if (root_) root_->setDocument(this);
  delete old;
}

CContainer* Document::releaseRoot() {
  CContainer* r = root_;
  root_ = nullptr;
  if (r) r->setDocument(nullptr);
  return r;
}

}  // namespace kv
