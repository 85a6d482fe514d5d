// Primitives, counts and texts: the writer must produce the fixture bytes, the reader must
// read them back, and the reader must accept the forms the writer never produces.
#include <gtest/gtest.h>

#include <functional>

#include "document/archive/archive.h"
#include "tests/document/archive/raw_bytes.h"
#include "tests/document/archive/test_classes.h"

namespace kv {
namespace {

using test::RawBytes;

std::vector<uint8_t> written(const std::function<void(ArchiveWriter&)>& f) {
  std::vector<uint8_t> out;
  ArchiveWriter w(out);
  f(w);
  return out;
}

struct Rect4 {
  int32_t left, top, right, bottom;
};
struct Point2 {
  int32_t x, y;
};

TEST(ArchiveEncoding, PrimitivesMatchFixtureAndReadBack) {
  const auto fixture = RawBytes()
                           .hex("A5 01")                        // byte, bool byte
                           .hex("FE FF 34 12")                  // int16 -2, uint16 0x1234
                           .hex("69 73 01 00 FF FF FF FF")      // int32 95081, uint32 max
                           .hex("00 00 00 00 00 00 F8 3F")      // double 1.5
                           .hex("01 00 00 00 FE FF FF FF 03 00 00 00 04 00 00 00")  // rect
                           .hex("07 00 00 00 F9 FF FF FF")      // point 7, -7
                           .hex("DE AD BE")                     // raw block
                           .bytes();
  const auto out = written([](ArchiveWriter& w) {
    w.writeU8(0xA5);
    w.writeBoolByte(true);
    w.writeI16(-2);
    w.writeU16(0x1234);
    w.writeI32(95081);
    w.writeU32(0xFFFFFFFFu);
    w.writeF64(1.5);
    w.writeRect(Rect4{1, -2, 3, 4});
    w.writePoint(Point2{7, -7});
    const uint8_t raw[] = {0xDE, 0xAD, 0xBE};
    w.writeRaw(raw);
  });
  EXPECT_EQ(out, fixture);

  LoadContext ctx;
  ArchiveReader r(fixture, test::testClasses(), ctx);
  EXPECT_EQ(r.readU8(), 0xA5);
  EXPECT_TRUE(r.readBoolByte());
  EXPECT_EQ(r.readI16(), -2);
  EXPECT_EQ(r.readU16(), 0x1234);
  EXPECT_EQ(r.readI32(), 95081);
  EXPECT_EQ(r.readU32(), 0xFFFFFFFFu);
  EXPECT_EQ(r.readF64(), 1.5);
  Rect4 rect{};
  r.readRect(rect);
  EXPECT_EQ(rect.left, 1);
  EXPECT_EQ(rect.top, -2);
  EXPECT_EQ(rect.right, 3);
  EXPECT_EQ(rect.bottom, 4);
  Point2 p{};
  r.readPoint(p);
  EXPECT_EQ(p.x, 7);
  EXPECT_EQ(p.y, -7);
  EXPECT_EQ(r.readBlock(3), (std::vector<uint8_t>{0xDE, 0xAD, 0xBE}));
  EXPECT_TRUE(r.atEnd());
}

TEST(ArchiveEncoding, CountsUseTheEscapeFromFFFF) {
  const struct {
    uint32_t n;
    const char* hex;
  } cases[] = {
      {0, "00 00"},
      {0xFFFE, "FE FF"},
      {0xFFFF, "FF FF FF FF 00 00"},
      {70000, "FF FF 70 11 01 00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.n);
    const auto fixture = RawBytes().hex(c.hex).bytes();
    EXPECT_EQ(RawBytes().count(c.n).bytes(), fixture);  // the builder agrees with the literal
    EXPECT_EQ(written([&](ArchiveWriter& w) { w.writeCount(c.n); }), fixture);
    LoadContext ctx;
    ArchiveReader r(fixture, test::testClasses(), ctx);
    EXPECT_EQ(r.readCount(0), c.n);
  }
}

TEST(ArchiveEncoding, TextLengthForms) {
  // The length prefixes for every boundary; 0xFFFE must take the 32-bit form.
  const struct {
    size_t n;
    const char* prefix;
  } cases[] = {
      {0, "00"},
      {254, "FE"},
      {255, "FF FF 00"},
      {300, "FF 2C 01"},
      {0xFFFD, "FF FD FF"},
      {0xFFFE, "FF FF FF FE FF 00 00"},
      {0xFFFF, "FF FF FF FF FF 00 00"},
      {70000, "FF FF FF 70 11 01 00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.n);
    std::string text(c.n, 'x');
    for (size_t i = 0; i < c.n; ++i) text[i] = static_cast<char>('a' + i % 26);
    const auto fixture = RawBytes().hex(c.prefix).chars(text).bytes();
    EXPECT_EQ(RawBytes().text(text).bytes(), fixture);
    EXPECT_EQ(written([&](ArchiveWriter& w) { w.writeText(text); }), fixture);
    LoadContext ctx;
    ArchiveReader r(fixture, test::testClasses(), ctx);
    EXPECT_EQ(r.readText(), text);
    EXPECT_TRUE(r.atEnd());
  }
}

TEST(ArchiveEncoding, SixteenBitTexts) {
  const auto hi = RawBytes().hex("FF FE FF 02 48 00 69 00").bytes();
  EXPECT_EQ(RawBytes().text16(u"Hi").bytes(), hi);
  EXPECT_EQ(written([](ArchiveWriter& w) { w.writeText16(u"Hi"); }), hi);

  const struct {
    std::u16string text;
    std::string expected;
  } cases[] = {
      {u"Hi", "Hi"},
      {u"\u00E9\u00FF\u00A0", "\xE9\xFF\xA0"},  // Latin-1 range keeps its byte
      {u"\u20AC\u2122\u0178", "\x80\x99\x9F"},  // 1252's own characters in 0x80..0x9F
      {u"\u0081\u008D", "\x81\x8D"},            // undefined bytes survive
      {u"\u0080\u03A9\u4E2D", "???"},           // nothing to show them with
      {u"a\U0001F3B9b", "a?b"},                 // a surrogate pair is one character
      {std::u16string(u"x") + char16_t(0xD800) + u"y" + char16_t(0xDC00), "x?y?"},  // lone halves
      {std::u16string(300, u'z'), std::string(300, 'z')},                        // long form
  };
  for (const auto& c : cases) {
    const auto fixture = RawBytes().text16(c.text).bytes();
    LoadContext ctx;
    ArchiveReader r(fixture, test::testClasses(), ctx);
    EXPECT_EQ(r.readText(), c.expected);
    EXPECT_TRUE(r.atEnd());
  }
}

TEST(ArchiveEncoding, ReaderAcceptsTheWidestLengthForms) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    std::string expected;
  };
  const Case cases[] = {
      {"uint32 length", RawBytes().hex("FF FF FF 03 00 00 00").chars("abc").bytes(), "abc"},
      {"uint64 length", RawBytes().hex("FF FF FF FF FF FF FF").u64(3).chars("abc").bytes(), "abc"},
      {"16-bit, uint16 length", RawBytes().hex("FF FE FF FF 02 00").u16('o').u16('k').bytes(), "ok"},
      {"16-bit, uint32 length",
       RawBytes().hex("FF FE FF FF FF FF 02 00 00 00").u16('o').u16('k').bytes(), "ok"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoadContext ctx;
    ArchiveReader r(c.bytes, test::testClasses(), ctx);
    EXPECT_EQ(r.readText(), c.expected);
    EXPECT_TRUE(r.atEnd());
  }
}

TEST(ArchiveEncoding, ArraysCarryAFrameworkCount) {
  const std::vector<std::string> names = {"Init", "", "Lead"};
  const std::vector<int32_t> ints = {1, -1};
  const std::vector<uint8_t> raw = {9, 8};
  const auto fixture = RawBytes()
                           .count(3).text("Init").text("").text("Lead")
                           .count(2).i32(1).i32(-1)
                           .count(2).u8(9).u8(8)
                           .bytes();
  EXPECT_EQ(written([&](ArchiveWriter& w) {
              w.writeStringArray(names);
              w.writeIntArray(ints);
              w.writeByteArray(raw);
            }),
            fixture);
  LoadContext ctx;
  ArchiveReader r(fixture, test::testClasses(), ctx);
  EXPECT_EQ(r.readStringArray(), names);
  EXPECT_EQ(r.readIntArray(), ints);
  EXPECT_EQ(r.readByteArray(), raw);
}

// Lengths and counts are checked against the bytes that remain before anything is
// allocated; a truncated item is "end of file", an impossible one "bad format".
TEST(ArchiveEncoding, LengthsAndCountsAreCheckedFirst) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    std::function<void(ArchiveReader&)> read;
    ArchiveError::Code code;
  };
  const Case cases[] = {
      {"empty", {}, [](ArchiveReader& r) { r.readU8(); }, ArchiveError::kEndOfFile},
      {"half an int32", RawBytes().hex("01 02").bytes(), [](ArchiveReader& r) { r.readI32(); },
       ArchiveError::kEndOfFile},
      {"text longer than the rest", RawBytes().hex("05 61 62").bytes(),
       [](ArchiveReader& r) { r.readText(); }, ArchiveError::kEndOfFile},
      {"2^31 - 1 characters", RawBytes().hex("FF FF FF FF FF FF 7F").chars("ab").bytes(),
       [](ArchiveReader& r) { r.readText(); }, ArchiveError::kEndOfFile},
      {"16-bit text: 2 bytes per character", RawBytes().hex("FF FE FF 02 41 00 42").bytes(),
       [](ArchiveReader& r) { r.readText(); }, ArchiveError::kEndOfFile},
      {"uint64 length beyond 2^31 - 1", RawBytes().hex("FF FF FF FF FF FF FF").u64(0x80000000u).bytes(),
       [](ArchiveReader& r) { r.readText(); }, ArchiveError::kBadFormat},
      {"string array of 2^32 - 1", RawBytes().hex("FF FF FF FF FF FF 00").bytes(),
       [](ArchiveReader& r) { r.readStringArray(); }, ArchiveError::kEndOfFile},
      {"int array needs 4 bytes each", RawBytes().count(2).i32(1).u8(0).u8(0).bytes(),
       [](ArchiveReader& r) { r.readIntArray(); }, ArchiveError::kEndOfFile},
      {"byte array", RawBytes().count(70000).u8(1).bytes(),
       [](ArchiveReader& r) { r.readByteArray(); }, ArchiveError::kEndOfFile},
      {"negative int32 count", RawBytes().i32(-1).bytes(),
       [](ArchiveReader& r) { r.readInt32Count(1); }, ArchiveError::kBadFormat},
      {"int32 count beyond the rest", RawBytes().i32(3).null().null().bytes(),
       [](ArchiveReader& r) { r.readInt32Count(2); }, ArchiveError::kEndOfFile},
      {"object list of 2^32 - 1 slots", RawBytes().hex("FF FF FF FF FF FF 00 00").bytes(),
       [](ArchiveReader& r) { r.readObjectList(nullptr, [](Archivable*) {}); }, ArchiveError::kEndOfFile},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoadContext ctx;
    ArchiveReader r(c.bytes, test::testClasses(), ctx);
    try {
      c.read(r);
      ADD_FAILURE() << "no error";
    } catch (const ArchiveError& e) {
      EXPECT_EQ(e.code(), c.code) << e.what();
    }
  }
}

TEST(ArchiveEncoding, WrongDirectionIsAnArchiveError) {
  std::vector<uint8_t> out;
  ArchiveWriter w(out);
  Archive storing(w);
  try {
    storing.reader();
    ADD_FAILURE();
  } catch (const ArchiveError& e) {
    EXPECT_EQ(e.code(), ArchiveError::kNotOpenForReading);
  }
  LoadContext ctx;
  ArchiveReader r(out, test::testClasses(), ctx);
  Archive loading(r);
  try {
    loading.writer();
    ADD_FAILURE();
  } catch (const ArchiveError& e) {
    EXPECT_EQ(e.code(), ArchiveError::kNotOpenForWriting);
  }
}

}  // namespace
}  // namespace kv
