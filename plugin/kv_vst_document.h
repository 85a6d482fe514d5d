// KvVstDocument: the plug-in document with the plug-in's chunk format, so that a container's
// bank and program files hold the same chunk the host gets.
#pragma once

#include "doc/korvane_doc_vst.h"

namespace kv {

class KvVstDocument : public CKorvaneDocVST {
 public:
  // The header's id, also for the container's bank and program files.
  int32_t GetUniqueId() override { return static_cast<const CKorvaneDocBase&>(*this).GetUniqueId(); }
  std::vector<uint8_t> containerChunk(CContainer* container, bool programOnly) override;
  bool setContainerChunk(CContainer* container, const uint8_t* data, std::size_t length,
                         bool programOnly) override;
};

}  // namespace kv
