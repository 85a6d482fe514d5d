#include "document/archive/archive.h"

namespace kv {

ArchiveReader& Archive::reader() {
  if (reader_ == nullptr) {
    throw ArchiveError(ArchiveError::kNotOpenForReading, "the archive is not open for reading",
                       writer_->bytes().size());
  }
  return *reader_;
}

ArchiveWriter& Archive::writer() {
  if (writer_ == nullptr) {
    throw ArchiveError(ArchiveError::kNotOpenForWriting, "the archive is not open for writing",
                       reader_->position());
  }
  return *writer_;
}

}  // namespace kv
