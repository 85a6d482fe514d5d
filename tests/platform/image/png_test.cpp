// PNG decoding of every colour layout, and refusal of malformed streams.
#include "platform/image/png_codec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace kv::gfx {
namespace {

std::vector<uint32_t> pixels(const Bitmap& b) { return {b.data(), b.data() + b.width() * b.height()}; }

Bitmap decode_ok(const std::vector<uint8_t>& bytes) {
  Bitmap out;
  std::string error;
  EXPECT_TRUE(decode_png(bytes, out, error)) << error;
  return out;
}

TEST(PngDecode, EveryLayoutBecomesStraightAlphaArgb) {
  struct Case {
    const char* name;
    PngRawImage raw;
    std::vector<uint32_t> expected;
  };
  const Case cases[] = {
      {"rgb8", {2, 1, 2, 8, false, {10, 20, 30, 40, 50, 60}}, {0xFF0A141E, 0xFF28323C}},
      {"rgba8", {2, 1, 6, 8, false, {10, 20, 30, 128, 40, 50, 60, 0}}, {0x800A141E, 0x0028323C}},
      {"grey8", {2, 1, 0, 8, false, {77, 255}}, {0xFF4D4D4D, 0xFFFFFFFF}},
      {"grey1", {3, 1, 0, 1, false, {0b10100000}}, {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}},
      {"grey2", {2, 1, 0, 2, false, {0b01100000}}, {0xFF555555, 0xFFAAAAAA}},
      {"grey_alpha8", {1, 1, 4, 8, false, {200, 100}}, {0x64C8C8C8}},
      {"palette4_trns", {3, 1, 3, 4, false, {0x01, 0x20}, {255, 0, 0, 0, 255, 0, 0, 0, 255}, {255, 0}},
       {0xFFFF0000, 0x0000FF00, 0xFF0000FF}},
      {"rgb16", {1, 1, 2, 16, false, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}}, {0xFF12569A}},
      {"rgba16", {1, 1, 6, 16, false, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0x80, 0x00}}, {0x8012569A}},
      {"grey16_trns", {2, 1, 0, 16, false, {0x12, 0x34, 0xAB, 0xCD}, {}, {0x12, 0x34}}, {0x00121212, 0xFFABABAB}},
      {"rgb8_trns", {2, 1, 2, 8, false, {1, 2, 3, 4, 5, 6}, {}, {0, 1, 0, 2, 0, 3}}, {0x00010203, 0xFF040506}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = encode_png_raw(c.raw);
    ASSERT_FALSE(bytes.empty()) << c.name;
    EXPECT_EQ(pixels(decode_ok(bytes)), c.expected) << c.name;
  }
}

TEST(PngDecode, InterlacedEqualsPlainAndWriterRoundTrips) {
  PngRawImage raw{13, 7, 6, 8, false, {}};
  for (uint32_t i = 0; i < 13 * 7 * 4; ++i) raw.rows.push_back(uint8_t(i * 37 + i / 5));
  Bitmap plain = decode_ok(encode_png_raw(raw));
  raw.interlaced = true;
  EXPECT_EQ(decode_ok(encode_png_raw(raw)), plain);
  EXPECT_EQ(decode_ok(encode_png(plain, PngChannels::rgba)), plain);
  Bitmap opaque = plain;
  set_alpha(opaque, 0xFF);
  EXPECT_EQ(decode_ok(encode_png(plain, PngChannels::rgb)), opaque);
}

// A PNG chunk with its CRC.
void chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  auto be32 = [&](uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
  };
  be32(uint32_t(data.size()));
  size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  be32(uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

std::vector<uint8_t> handmade(uint32_t w, uint32_t h, uint8_t depth, uint8_t colour, const std::vector<uint8_t>& idat) {
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> ihdr;
  for (uint32_t v : {w, h})
    for (int s = 24; s >= 0; s -= 8) ihdr.push_back(uint8_t(v >> s));
  ihdr.insert(ihdr.end(), {depth, colour, 0, 0, 0});
  chunk(out, "IHDR", ihdr);
  chunk(out, "IDAT", idat);
  chunk(out, "IEND", {});
  return out;
}

std::vector<uint8_t> deflated(size_t n) {
  std::vector<uint8_t> raw(n, 0), out(compressBound(uLong(n)));
  uLongf len = uLongf(out.size());
  compress(out.data(), &len, raw.data(), uLong(n));
  out.resize(len);
  return out;
}

TEST(PngDecode, MalformedStreamsAreRefusedAndLeaveTheOutputAlone) {
  const std::vector<uint8_t> good = encode_png_raw({4, 3, 2, 8, false, std::vector<uint8_t>(36, 7)});
  std::vector<std::pair<std::string, std::vector<uint8_t>>> cases = {
      {"empty", {}},
      {"not a png", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}},
      {"huge declared size", handmade(100000, 100000, 8, 2, deflated(16))},
      {"over the pixel budget", handmade(16384, 16384, 8, 6, deflated(16))},
      {"zero width", handmade(0, 5, 8, 2, deflated(16))},
      {"bad depth for colour type", handmade(2, 2, 3, 2, deflated(16))},
      {"unknown colour type", handmade(2, 2, 8, 5, deflated(16))},
      {"garbage image data", handmade(2, 2, 8, 2, {1, 2, 3, 4, 5, 6, 7, 8})},
      {"too little image data", handmade(64, 64, 8, 2, deflated(10))},
  };
  std::vector<uint8_t> bad_crc = good;
  bad_crc[29] ^= 0x01;  // inside the IHDR CRC
  cases.push_back({"IHDR CRC", bad_crc});
  std::vector<uint8_t> bad_data = good;
  bad_data[good.size() - 20] ^= 0xFF;  // inside IDAT
  cases.push_back({"IDAT byte flipped", bad_data});
  // A chunk that declares 1.9 GB in a file of a few dozen bytes is refused before anything
  // is allocated for it.
  std::vector<uint8_t> huge_chunk(good.begin(), good.begin() + 33);  // signature and IHDR
  const uint8_t chunk[] = {0x73, 0x73, 0x73, 0x73, 's', 'P', 'L', 'T', 0, 0, 0, 0};
  huge_chunk.insert(huge_chunk.end(), std::begin(chunk), std::end(chunk));
  huge_chunk.insert(huge_chunk.end(), good.begin() + 33, good.end());
  cases.push_back({"chunk longer than the file", huge_chunk});
  for (size_t n = 0; n < good.size(); ++n)
    cases.push_back({"prefix " + std::to_string(n), std::vector<uint8_t>(good.begin(), good.begin() + long(n))});

  for (const auto& [name, bytes] : cases) {
    Bitmap out(1, 1, 0x12345678);
    std::string error;
    EXPECT_FALSE(decode_png(bytes, out, error)) << name;
    EXPECT_FALSE(error.empty()) << name;
    EXPECT_EQ(out, Bitmap(1, 1, 0x12345678)) << name;
  }
}

TEST(PngFile, MissingFileIsReported) {
  Bitmap out;
  std::string error;
  EXPECT_FALSE(read_png_file("/nonexistent/korvane.png", out, error));
  EXPECT_NE(error.find("/nonexistent/korvane.png"), std::string::npos);
}

}  // namespace
}  // namespace kv::gfx
