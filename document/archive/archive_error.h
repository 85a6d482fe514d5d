#pragma once
// The error that ends reading (or writing) an archive. Every malformed stream ends in exactly
// one of these; its text is the one message the user sees for a failed load.
#include <cstdint>
#include <exception>
#include <string>

namespace kv {

class ArchiveError : public std::exception {
 public:
  // The numbers of the class framework the format comes from, plus kBadFormat for the
  // structural checks of our own (counts, ownership, depth, unsupported versions).
  enum Code : int {
    kNotOpenForWriting = 2,  // a write on an archive opened for loading
    kEndOfFile = 3,          // the stream ends inside an item
    kNotOpenForReading = 4,  // a read on an archive opened for storing
    kBadIndex = 5,           // an index that names nothing, or the wrong kind of entry
    kBadClass = 6,           // a class name not in the table, or an unexpected class
    kBadSchema = 7,          // a stored schema a non-versionable class does not read
    kBadFormat = 8,          // anything else the stream may not contain
  };

  ArchiveError(Code code, std::string detail, uint64_t offset);

  Code code() const { return code_; }
  // What was wrong, without the framing ("unknown class \"CFoo\"").
  const std::string& detail() const { return detail_; }
  // The byte position in the stream at which the problem was found.
  uint64_t offset() const { return offset_; }
  // The full message for the user.
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  Code code_;
  std::string detail_;
  uint64_t offset_;
  std::string message_;
};

}  // namespace kv
