// Bank and program files: the exact header bytes, and every way a file can be refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "document/presets/preset_file.h"

namespace kv {
namespace {

std::vector<uint8_t> hexBytes(const char* hex) {
  std::vector<uint8_t> out;
  for (const char* p = hex; *p;) {
    if (*p == ' ') {
      ++p;
      continue;
    }
    unsigned v = 0;
    std::sscanf(p, "%2x", &v);
    out.push_back(static_cast<uint8_t>(v));
    p += 2;
  }
  return out;
}

TEST(PresetFile, ProgramAndBankHeadersByteForByte) {
  const std::vector<uint8_t> chunk{0xAA, 0xBB, 0xCC};
  PresetHeader p;
  p.kind = PresetKind::kProgram;
  p.id = 0x4B566474;
  p.version = 0;
  p.programName = "Lead";
  std::vector<uint8_t> expected = hexBytes(
      "43636E4B 00000000 46504368 00000001 4B566474 00000000 00000001"
      "4C656164 00000000 00000000 00000000 00000000 00000000 00000000"  // name, 28 bytes
      "00000003 AABBCC");
  EXPECT_EQ(encodePresetFile(p, chunk), expected);

  PresetHeader b;
  b.kind = PresetKind::kBank;
  b.id = -2;
  b.version = 7;
  b.programCount = 128;
  std::vector<uint8_t> bank = hexBytes(
      "43636E4B 00000000 46424368 00000001 FFFFFFFE 00000007 00000080");
  bank.resize(156, 0);
  for (uint8_t x : hexBytes("00000003 AABBCC")) bank.push_back(x);
  EXPECT_EQ(encodePresetFile(b, chunk), bank);

  PresetFile read;
  ASSERT_EQ(readPresetFile(bank, PresetKind::kBank, read), PresetReadError::kNone);
  EXPECT_EQ(read.header.id, -2);
  EXPECT_EQ(read.header.version, 7);
  EXPECT_EQ(read.header.programCount, 128);
  EXPECT_EQ(std::vector<uint8_t>(read.chunk.begin(), read.chunk.end()), chunk);
}

TEST(PresetFile, NamesAreCutAndReadUpToTheirFirstZero) {
  PresetHeader p;
  p.programName = std::string("0123456789ABCDEFGHIJKLMNO");  // 25 characters
  const std::vector<uint8_t> chunk{1};
  auto bytes = encodePresetFile(p, chunk);
  PresetFile f;
  ASSERT_EQ(readPresetFile(bytes, PresetKind::kProgram, f), PresetReadError::kNone);
  EXPECT_EQ(f.header.programName, "0123456789ABCDEFGHIJ");
  // A name that fills the whole field without a terminator stops at its end.
  std::memset(&bytes[28], 'x', 28);
  ASSERT_EQ(readPresetFile(bytes, PresetKind::kProgram, f), PresetReadError::kNone);
  EXPECT_EQ(f.header.programName, std::string(28, 'x'));
}

TEST(PresetFile, RefusedFilesLeaveTheResultAlone) {
  PresetHeader p;
  p.programName = "Keep";
  const std::vector<uint8_t> chunk(10, 7);
  const auto good = encodePresetFile(p, chunk);
  auto with = [&](std::size_t at, std::vector<uint8_t> bytes) {
    auto b = good;
    std::memcpy(&b[at], bytes.data(), bytes.size());
    return b;
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    PresetKind kind;
    PresetReadError error;
  };
  const Case cases[] = {
      {"empty", {}, PresetKind::kProgram, PresetReadError::kTruncated},
      {"short header", std::vector<uint8_t>(good.begin(), good.begin() + 59), PresetKind::kProgram,
       PresetReadError::kTruncated},
      {"short chunk", std::vector<uint8_t>(good.begin(), good.end() - 1), PresetKind::kProgram,
       PresetReadError::kTruncated},
      {"a program read as a bank", good, PresetKind::kBank, PresetReadError::kWrongKind},
      {"not a preset", with(0, {'R', 'I', 'F', 'F'}), PresetKind::kProgram, PresetReadError::kWrongKind},
      {"chunk size 0", with(56, {0, 0, 0, 0}), PresetKind::kProgram, PresetReadError::kBadChunkSize},
      {"negative chunk size", with(56, {0xFF, 0xFF, 0xFF, 0xF0}), PresetKind::kProgram,
       PresetReadError::kBadChunkSize},
      {"chunk past the end", with(56, {0x7F, 0xFF, 0xFF, 0xFF}), PresetKind::kProgram,
       PresetReadError::kTruncated},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PresetFile f;
    f.header.programName = "untouched";
    EXPECT_EQ(readPresetFile(c.bytes, c.kind, f), c.error);
    EXPECT_EQ(f.header.programName, "untouched");
    EXPECT_TRUE(f.chunk.empty());
  }
  PresetFile f;
  EXPECT_EQ(readPresetFile(good, PresetKind::kProgram, f), PresetReadError::kNone);
  EXPECT_EQ(f.chunk.size(), 10u);
}

TEST(PresetFile, AcceptedIds) {
  EXPECT_TRUE(presetIdAccepted(5, 5));
  EXPECT_TRUE(presetIdAccepted(kGenericPresetId, 5));
  EXPECT_TRUE(presetIdAccepted(5, kGenericPresetId));
  EXPECT_FALSE(presetIdAccepted(5, 6));
}

}  // namespace
}  // namespace kv
