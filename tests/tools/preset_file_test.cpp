// Bank and program files: header layout, round trips, and files that must be refused.
#include "tools/preset_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/child_process.h"

namespace kv {
namespace {

std::vector<uint8_t> bytesOf(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

TEST(PresetFile, ProgramFileLayout) {
  PresetFile f;
  f.pluginId = 0x4B764678;  // "KvFx"
  f.pluginVersion = 3;
  f.programName = "Warm Pad";
  f.chunk = {1, 2, 3};
  const std::vector<uint8_t> bytes = encodePresetFile(f);
  ASSERT_EQ(bytes.size(), 63u);
  std::vector<uint8_t> expected = bytesOf("CcnK");
  for (int b : {0, 0, 0, 55}) expected.push_back(static_cast<uint8_t>(b));  // the rest: 60 - 8 + 3
  for (uint8_t b : bytesOf("FPCh")) expected.push_back(b);
  for (int b : {0, 0, 0, 1, int('K'), int('v'), int('F'), int('x'), 0, 0, 0, 3, 0, 0, 0, 1}) expected.push_back(static_cast<uint8_t>(b));
  for (uint8_t b : bytesOf("Warm Pad")) expected.push_back(b);
  expected.resize(56, 0);
  for (int b : {0, 0, 0, 3, 1, 2, 3}) expected.push_back(static_cast<uint8_t>(b));
  EXPECT_EQ(bytes, expected);

  PresetFile back;
  std::string error;
  ASSERT_TRUE(decodePresetFile(bytes, back, error)) << error;
  EXPECT_FALSE(back.bank);
  EXPECT_EQ(back.pluginId, f.pluginId);
  EXPECT_EQ(back.pluginVersion, 3);
  EXPECT_EQ(back.programName, "Warm Pad");
  EXPECT_EQ(back.chunk, f.chunk);
}

TEST(PresetFile, BankRoundTripAndLongNames) {
  PresetFile f;
  f.bank = true;
  f.numPrograms = 128;
  f.chunk.assign(1000, 0x5A);
  std::vector<uint8_t> bytes = encodePresetFile(f);
  ASSERT_EQ(bytes.size(), 1160u);
  PresetFile back;
  std::string error;
  ASSERT_TRUE(decodePresetFile(bytes, back, error)) << error;
  EXPECT_TRUE(back.bank);
  EXPECT_EQ(back.numPrograms, 128);
  EXPECT_EQ(back.chunk, f.chunk);

  // A program name filling all 28 bytes (no terminator) is read up to the field's end.
  PresetFile p;
  p.programName = "abc";
  p.chunk = {9};
  bytes = encodePresetFile(p);
  for (int i = 28; i < 56; ++i) bytes[i] = 'n';
  ASSERT_TRUE(decodePresetFile(bytes, back, error));
  EXPECT_EQ(back.programName, std::string(28, 'n'));
}

TEST(PresetFile, RefusesWhatIsNotAChunkFile) {
  PresetFile p;
  p.chunk = {1, 2, 3, 4};
  const std::vector<uint8_t> good = encodePresetFile(p);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* words;
  };
  std::vector<Case> cases;
  cases.push_back({"empty", {}, "CcnK"});
  auto bad = good;
  bad[0] = 'X';
  cases.push_back({"magic", bad, "CcnK"});
  bad = good;
  bad[8] = 'F', bad[9] = 'x', bad[10] = 'C', bad[11] = 'k';
  cases.push_back({"parameter list", bad, "parameter list"});
  bad = good;
  bad[11] = 'X';
  cases.push_back({"kind", bad, "unknown"});
  bad.assign(good.begin(), good.begin() + 40);
  cases.push_back({"short header", bad, "header"});
  bad = good;
  bad[59] = 5;  // five bytes announced, four present
  cases.push_back({"chunk size", bad, "does not fit"});
  bad = good;
  bad[56] = 0x80;  // a size beyond any file
  cases.push_back({"huge size", bad, "does not fit"});
  bad = good;
  bad[59] = 0;
  cases.push_back({"empty chunk", bad, "does not fit"});
  for (const Case& c : cases) {
    PresetFile out;
    std::string error;
    EXPECT_FALSE(decodePresetFile(c.bytes, out, error)) << c.what;
    EXPECT_NE(error.find(c.words), std::string::npos) << c.what << ": " << error;
  }
}

TEST(ChildProcess, ReportsExitCodesAndSignals) {
  ChildResult r = runChildProcess({"/bin/sh", "-c", "exit 3"});
  ASSERT_TRUE(r.started) << r.error;
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.exitCode, 3);
  r = runChildProcess({"/bin/sh", "-c", "kill -SEGV $$"});
  ASSERT_TRUE(r.started) << r.error;
  EXPECT_FALSE(r.exited);
  EXPECT_EQ(signalName(r.signal), "SIGSEGV");
  r = runChildProcess({"/nonexistent/program"});
  EXPECT_FALSE(r.started);
  EXPECT_FALSE(r.error.empty());
}

}  // namespace
}  // namespace kv
