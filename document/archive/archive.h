#pragma once
// The archive a record's serialize() receives: either a reader or a writer. Records use
// the symmetric helpers (one line per field, right for both directions) and branch on
// isLoading() only where the directions differ (checks, conversions, defaults).
//
//   void CFoo::serialize(Archive& ar) {
//     CBar::serialize(ar);
//     ar.text(title_);
//     if (ar.fileVersion() >= 37) ar.rect(rect_);
//     ar.object(partner_);   // expected class CFoo
//   }
#include <cstdint>
#include <string>
#include <vector>

#include "document/archive/archive_reader.h"
#include "document/archive/archive_writer.h"

namespace kv {

class Archive {
 public:
  explicit Archive(ArchiveReader& reader) : reader_(&reader) {}
  explicit Archive(ArchiveWriter& writer) : writer_(&writer) {}

  bool isLoading() const { return reader_ != nullptr; }
  bool isStoring() const { return writer_ != nullptr; }
  // kNotOpenForReading when storing.
  ArchiveReader& reader();
  // kNotOpenForWriting when loading.
  ArchiveWriter& writer();

  // The file version records test: the stream's when loading, kCurrentFileVersion when storing.
  int32_t fileVersion() const {
    return reader_ ? reader_->fileVersion() : kCurrentFileVersion;
  }

  void u8(uint8_t& v) { reader_ ? void(v = reader_->readU8()) : writer_->writeU8(v); }
  void boolByte(bool& v) { reader_ ? void(v = reader_->readBoolByte()) : writer_->writeBoolByte(v); }
  void i16(int16_t& v) { reader_ ? void(v = reader_->readI16()) : writer_->writeI16(v); }
  void u16(uint16_t& v) { reader_ ? void(v = reader_->readU16()) : writer_->writeU16(v); }
  void i32(int32_t& v) { reader_ ? void(v = reader_->readI32()) : writer_->writeI32(v); }
  void u32(uint32_t& v) { reader_ ? void(v = reader_->readU32()) : writer_->writeU32(v); }
  void f64(double& v) { reader_ ? void(v = reader_->readF64()) : writer_->writeF64(v); }
  void text(std::string& v) { reader_ ? void(v = reader_->readText()) : writer_->writeText(v); }
  void stringArray(std::vector<std::string>& v) {
    reader_ ? void(v = reader_->readStringArray()) : writer_->writeStringArray(v);
  }
  void intArray(std::vector<int32_t>& v) {
    reader_ ? void(v = reader_->readIntArray()) : writer_->writeIntArray(v);
  }
  void byteArray(std::vector<uint8_t>& v) {
    reader_ ? void(v = reader_->readByteArray()) : writer_->writeByteArray(v);
  }
  template <class R>
  void rect(R& r) {
    reader_ ? reader_->readRect(r) : writer_->writeRect(r);
  }
  template <class P>
  void point(P& p) {
    reader_ ? reader_->readPoint(p) : writer_->writePoint(p);
  }
  // One object slot of class T (or derived) or null. Loading does not adopt: an owning
  // record calls reader().adopt() itself.
  template <class T>
  void object(T*& p) {
    if (reader_) {
      p = reader_->readObjectAs<T>();
    } else {
      writer_->writeObject(p);
    }
  }

 private:
  ArchiveReader* reader_ = nullptr;
  ArchiveWriter* writer_ = nullptr;
};

}  // namespace kv
