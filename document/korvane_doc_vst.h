#pragma once
// CKorvaneDocVST: the document of the plug-in. Clearing it deletes the root.
#include "document/korvane_doc_base.h"

namespace kv {

class CKorvaneDocVST : public CKorvaneDocBase {
 public:
  // Deletes the root, if any. Answers false.
  bool ClearRoot() override;
};

}  // namespace kv
