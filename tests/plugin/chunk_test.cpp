// The state chunk: byte layout, round trips, matching stored entries to the current
// parameters, and damaged blocks that must change nothing.
#include "plugin/chunk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/plugin/fake_chunk_parameters.h"

namespace kv {
namespace {

using test::FakeChunkParameters;

// Chunk bytes written by hand, independently of the writer.
struct RawChunk {
  std::vector<uint8_t> bytes;
  RawChunk& i32(int32_t v) {
    for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * b)));
    return *this;
  }
  RawChunk& byte(uint8_t b) {
    bytes.push_back(b);
    return *this;
  }
  RawChunk& text(const std::string& s) {  // short form only (< 255 bytes)
    bytes.push_back(static_cast<uint8_t>(s.size()));
    bytes.insert(bytes.end(), s.begin(), s.end());
    return *this;
  }
};

FakeChunkParameters threeParameters() {
  FakeChunkParameters f;
  auto& cutoff = f.add("Cutoff", 11);
  auto& res = f.add("Resonance", 12);
  auto& mode = f.add("Mode", 0, /*perProgram=*/false);
  for (int p = 0; p < 128; ++p) {
    cutoff.values[p] = std::to_string(p) + ".5";
    res.values[p] = std::to_string(127 - p);
  }
  mode.values[0] = "Saw";
  f.names[3] = "Bass";
  return f;
}

std::vector<uint8_t> parseAndApply(const std::vector<uint8_t>& bytes, bool preset,
                                   FakeChunkParameters& target, ChunkApplyResult* result = nullptr) {
  ParsedChunk parsed;
  EXPECT_EQ(parseChunk(bytes, parsed), ChunkParseResult::kOk);
  ChunkApplyResult r = applyChunk(parsed, preset, target);
  if (result) *result = r;
  return writeChunk(target, preset);
}

TEST(Chunk, PresetLayoutMatchesHandWrittenBytes) {
  FakeChunkParameters f;
  f.add("Gain", 7).values[2] = "0.25";
  f.current = 2;
  f.names[2] = "Lead";
  RawChunk expected;
  expected.i32(852170).i32(1).i32(7).i32(1).text("Lead").text("0.25");
  EXPECT_EQ(writeChunk(f, /*preset=*/true), expected.bytes);
}

TEST(Chunk, BankRoundTripIsByteIdenticalAcrossInstances) {
  FakeChunkParameters source = threeParameters();
  const std::vector<uint8_t> bank = writeChunk(source, false);

  FakeChunkParameters target = threeParameters();
  for (auto& p : target.params) p.values.fill("x");
  for (auto& n : target.names) n = "y";
  EXPECT_EQ(parseAndApply(bank, false, target), bank);
  for (size_t i = 0; i < source.params.size(); ++i)
    for (int p = 0; p < 128; ++p)
      EXPECT_EQ(target.valueText(static_cast<int32_t>(i), p), source.valueText(static_cast<int32_t>(i), p))
          << source.params[i].name << " " << p;
  EXPECT_EQ(target.names, source.names);
}

TEST(Chunk, PresetChangesOnlyTheCurrentProgram) {
  FakeChunkParameters source = threeParameters();
  source.current = 3;
  const std::vector<uint8_t> preset = writeChunk(source, true);

  FakeChunkParameters target = threeParameters();
  for (auto& p : target.params) p.values.fill("x");
  target.current = 9;
  parseAndApply(preset, true, target);
  EXPECT_EQ(target.names[9], "Bass");
  EXPECT_EQ(target.names[3], "Bass");  // untouched: it was already "Bass" in both
  EXPECT_EQ(target.params[0].values[9], "3.5");
  EXPECT_EQ(target.params[1].values[9], "124");
  EXPECT_EQ(target.params[2].values[0], "Saw");
  for (int p = 0; p < 128; ++p)
    if (p != 9) {
      EXPECT_EQ(target.params[0].values[p], "x") << p;
    }
}

TEST(Chunk, BankWithMoreThan128ProgramsDropsTheRest) {
  RawChunk c;
  c.i32(852170).i32(1).i32(5).i32(130);
  for (int p = 0; p < 130; ++p) c.text("P" + std::to_string(p));
  for (int p = 0; p < 130; ++p) c.text(std::to_string(p));
  FakeChunkParameters target;
  target.add("A", 5);
  parseAndApply(c.bytes, false, target);
  EXPECT_EQ(target.names[127], "P127");
  EXPECT_EQ(target.params[0].values[0], "0");
  EXPECT_EQ(target.params[0].values[127], "127");
  EXPECT_EQ(target.writes, 128);
}

// How the three markers find their parameters: by position (wrapping), by id, by name.
TEST(Chunk, MatchingByPositionIdAndName) {
  struct Case {
    const char* what;
    RawChunk chunk;
    std::vector<std::string> expected;  // value of A, B, C in program 0
    int32_t unmatched;
  };
  auto head = [](int32_t marker) { return RawChunk().i32(marker); };
  std::vector<Case> cases;
  {
    // Four entries over three parameters: the fourth wraps to the first.
    RawChunk c = head(852154).i32(4).i32(0).i32(0).i32(0).i32(0).i32(1).text("n");
    c.text("1").text("2").text("3").text("4");
    cases.push_back({"position wraps", c, {"4", "2", "3"}, 0});
  }
  {
    // Ids in another order, one unknown id.
    RawChunk c = head(852170).i32(3).i32(103).i32(999).i32(101).i32(1).text("n");
    c.text("c").text("lost").text("a");
    cases.push_back({"by id", c, {"a", "0", "c"}, 1});
  }
  {
    // Names reversed: every one is still found.
    RawChunk c = head(852218).i32(3).text("C").text("B").text("A").i32(1).text("n");
    c.text("zc").text("zb").text("za");
    cases.push_back({"by name", c, {"za", "zb", "zc"}, 0});
  }
  {
    // Names are compared exactly.
    RawChunk c = head(852218).i32(1).text("a").i32(1).text("n").text("v");
    cases.push_back({"name case", c, {"0", "0", "0"}, 1});
  }
  for (Case& k : cases) {
    FakeChunkParameters target;
    target.add("A", 101);
    target.add("B", 102);
    target.add("C", 103);
    ChunkApplyResult r;
    parseAndApply(k.chunk.bytes, false, target, &r);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(target.params[i].values[0], k.expected[i]) << k.what << " " << i;
    EXPECT_EQ(r.unmatched, k.unmatched) << k.what;
  }
}

TEST(Chunk, EntriesForAnEmptyPatchAreUnmatched) {
  FakeChunkParameters source = threeParameters();
  FakeChunkParameters empty;
  ChunkApplyResult r;
  parseAndApply(writeChunk(source, true), true, empty, &r);
  EXPECT_EQ(r.unmatched, 3);
}

TEST(Chunk, EveryTruncationIsMalformedAndAppliesNothing) {
  FakeChunkParameters source = threeParameters();
  const std::vector<uint8_t> bank = writeChunk(source, false);
  ParsedChunk parsed;
  for (size_t len = 0; len < bank.size(); ++len) {
    std::vector<uint8_t> cut(bank.begin(), bank.begin() + static_cast<long>(len));
    EXPECT_EQ(parseChunk(cut, parsed), ChunkParseResult::kMalformed) << len;
  }
  // Trailing bytes after a complete chunk are ignored.
  std::vector<uint8_t> padded = bank;
  padded.insert(padded.end(), 16, 0xEE);
  EXPECT_EQ(parseChunk(padded, parsed), ChunkParseResult::kOk);
}

TEST(Chunk, ImpossibleCountsAndUnknownMarkers) {
  struct Case {
    const char* what;
    RawChunk chunk;
    ChunkParseResult expected;
  };
  const Case cases[] = {
      {"unknown marker", RawChunk().i32(852171).i32(0).i32(0), ChunkParseResult::kUnknownMarker},
      {"negative count", RawChunk().i32(852170).i32(-1).i32(0), ChunkParseResult::kMalformed},
      {"huge count", RawChunk().i32(852170).i32(0x7FFFFFFF).i32(0), ChunkParseResult::kMalformed},
      {"negative programs", RawChunk().i32(852170).i32(0).i32(-5), ChunkParseResult::kMalformed},
      // 1000 parameters x 1000 programs claimed in a few bytes.
      {"count x programs", RawChunk().i32(852218).i32(2).text("a").text("b").i32(1000).text("n"),
       ChunkParseResult::kMalformed},
      // A program name that claims 200 bytes where 3 remain.
      {"text past the end", RawChunk().i32(852170).i32(0).i32(1).byte(200).text("ab"),
       ChunkParseResult::kMalformed},
  };
  for (const Case& k : cases) {
    ParsedChunk p;
    std::string reason;
    EXPECT_EQ(parseChunk(k.chunk.bytes, p, &reason), k.expected) << k.what;
    EXPECT_FALSE(reason.empty()) << k.what;
  }
}

}  // namespace
}  // namespace kv
