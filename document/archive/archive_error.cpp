#include "document/archive/archive_error.h"

namespace kv {

ArchiveError::ArchiveError(Code code, std::string detail, uint64_t offset)
    : code_(code), detail_(std::move(detail)), offset_(offset) {
  message_ = "The patch data is damaged: " + detail_ + " (archive error " +
             std::to_string(static_cast<int>(code_)) + " at byte " + std::to_string(offset_) + ").";
}

}  // namespace kv
