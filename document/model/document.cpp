#include "document/model/document.h"

#include "document/model/container.h"

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

namespace kv {

std::string Document::resolveFileName(const std::string& name, const std::string& extension) {
  const std::size_t slash = name.find_last_of("/\\");
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  if (name.find('.', start) != std::string::npos || extension.empty()) return name;
  return name + "." + extension;
}

}  // namespace kv
