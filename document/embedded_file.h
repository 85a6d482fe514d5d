#pragma once
// imbedded_file: a file carried inside a patch (a sample, an image, a module library). The
// patch header holds them as one object list; the application keeps them or writes module
// libraries out into the module folder.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/model/doc_class.h"

namespace kv {

class imbedded_file : public CObject {
  KV_ARCHIVE_CLASS(imbedded_file)
 public:
  imbedded_file() = default;
  imbedded_file(std::string name, std::vector<uint8_t> data)
      : name_(std::move(name)), data_(std::move(data)) {}

  // Record: the name (text), the length (int32), then that many raw bytes. The length is
  // checked against the bytes the stream still holds before anything is allocated.
  void serialize(Archive& ar) override;

  // The name as embedded; it may include a folder ("Samples\\Loop.wav").
  const std::string& name() const { return name_; }
  const std::vector<uint8_t>& data() const { return data_; }

 private:
  std::string name_;
  std::vector<uint8_t> data_;
};

using EmbeddedFileList = std::vector<std::unique_ptr<imbedded_file>>;

}  // namespace kv
