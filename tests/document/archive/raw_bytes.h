#pragma once
// An independent byte builder for archive fixtures. It shares no code with the archive
// writer: each encoding is spelled out here from the format's tables, so a field-order or
// length-form mistake made the same way in reader and writer still shows up.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kv::test {

class RawBytes {
 public:
  RawBytes& u8(uint8_t v) { b_.push_back(v); return *this; }
  RawBytes& u16(uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
  RawBytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  RawBytes& u64(uint64_t v) { return u32(static_cast<uint32_t>(v)).u32(static_cast<uint32_t>(v >> 32)); }
  RawBytes& i16(int16_t v) { return u16(static_cast<uint16_t>(v)); }
  RawBytes& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
  RawBytes& chars(std::string_view s) {
    for (char c : s) u8(static_cast<uint8_t>(c));
    return *this;
  }
  RawBytes& repeat(uint8_t v, size_t n) { b_.insert(b_.end(), n, v); return *this; }
  // Hex digits, spaces ignored: hex("FF 2C 01").
  RawBytes& hex(std::string_view h) {
    int hi = -1;
    for (char c : h) {
      int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10
            : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
      if (d < 0) continue;
      if (hi < 0) { hi = d; } else { u8(static_cast<uint8_t>(hi * 16 + d)); hi = -1; }
    }
    return *this;
  }

  // Framework count: below 0xFFFF as uint16, else 0xFFFF and uint32.
  RawBytes& count(uint32_t n) { return n < 0xFFFF ? u16(static_cast<uint16_t>(n)) : u16(0xFFFF).u32(n); }
  // Text, single-byte form: <255 one byte; <0xFFFE FF + u16; else FF FFFF u32.
  RawBytes& text(std::string_view s) {
    const size_t n = s.size();
    if (n < 255) u8(static_cast<uint8_t>(n));
    else if (n < 0xFFFE) u8(0xFF).u16(static_cast<uint16_t>(n));
    else u8(0xFF).u16(0xFFFF).u32(static_cast<uint32_t>(n));
    return chars(s);
  }
  // Text, 16-bit form: FF FFFE, then the length as above, then UTF-16LE units.
  RawBytes& text16(std::u16string_view s) {
    const size_t n = s.size();
    u8(0xFF).u16(0xFFFE);
    if (n < 255) u8(static_cast<uint8_t>(n));
    else if (n < 0xFFFE) u8(0xFF).u16(static_cast<uint16_t>(n));
    else u8(0xFF).u16(0xFFFF).u32(static_cast<uint32_t>(n));
    for (char16_t c : s) u16(c);
    return *this;
  }

  // Object slots.
  RawBytes& null() { return u16(0); }
  RawBytes& newClass(uint16_t schema, std::string_view name) {
    return u16(0xFFFF).u16(schema).u16(static_cast<uint16_t>(name.size())).chars(name);
  }
  RawBytes& classRef(uint32_t index) {
    return index < 0x7FFF ? u16(static_cast<uint16_t>(0x8000 | index)) : u16(0x7FFF).u32(0x80000000u | index);
  }
  RawBytes& objectRef(uint32_t index) {
    return index < 0x7FFF ? u16(static_cast<uint16_t>(index)) : u16(0x7FFF).u32(index);
  }

  RawBytes& append(const RawBytes& other) {
    b_.insert(b_.end(), other.b_.begin(), other.b_.end());
    return *this;
  }
  const std::vector<uint8_t>& bytes() const { return b_; }
  size_t size() const { return b_.size(); }

 private:
  std::vector<uint8_t> b_;
};

// A stream of objects under construction, numbering class records and objects as a reader
// does: class records and objects share one index.
struct ObjectStream {
  RawBytes b;
  std::map<std::string, uint32_t> classes;
  uint32_t next = 1;

  // A new object of the class (its class record the first time, a class reference after);
  // answers the object's index.
  uint32_t object(const std::string& cls, uint16_t schema = 1) {
    auto it = classes.find(cls);
    if (it == classes.end()) {
      b.newClass(schema, cls);
      classes[cls] = next++;
    } else {
      b.classRef(it->second);
    }
    return next++;
  }
  ObjectStream& rect(int32_t l, int32_t t, int32_t r, int32_t bt) {
    b.i32(l).i32(t).i32(r).i32(bt);
    return *this;
  }
};

}  // namespace kv::test
