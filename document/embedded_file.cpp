#include "document/embedded_file.h"

#include "document/archive/archive.h"

namespace kv {

const ArchiveClass imbedded_file::kArchiveClass{"imbedded_file", 1, nullptr,
                                                &createArchivable<imbedded_file>};

void imbedded_file::serialize(Archive& ar) {
  ar.text(name_);
  if (ar.isLoading()) {
    ArchiveReader& r = ar.reader();
    const int32_t length = r.readI32();
    if (length < 0) r.fail(ArchiveError::kBadFormat, "an embedded file has a negative length");
    data_ = r.readBlock(static_cast<size_t>(length));
  } else {
    ArchiveWriter& w = ar.writer();
    if (data_.size() > 0x7FFFFFFFu)
      throw ArchiveError(ArchiveError::kBadFormat, "an embedded file is too large to store", 0);
    w.writeI32(static_cast<int32_t>(data_.size()));
    w.writeRaw(data_);
  }
}

}  // namespace kv
