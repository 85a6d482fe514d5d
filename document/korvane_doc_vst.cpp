#include "document/korvane_doc_vst.h"

namespace kv {

bool CKorvaneDocVST::ClearRoot() {
  setRoot(nullptr);
  return false;
}

}  // namespace kv
