// Fuzzes the state chunk reader: any block either parses completely or is refused; a block
// that parses applies to a small patch, and the patch's own chunk then reads back to the
// same bytes.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "plugin/chunk.h"
#include "tests/plugin/fake_chunk_parameters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kv;
  ParsedChunk parsed;
  if (parseChunk(std::span<const uint8_t>(data, size), parsed) != ChunkParseResult::kOk) return 0;
  test::FakeChunkParameters patch;
  patch.add("Cutoff", 1);
  patch.add("Mode", 2, false);
  patch.add("", 0);
  patch.current = 5;
  const bool preset = size % 2 == 1;
  applyChunk(parsed, preset, patch);

  const std::vector<uint8_t> own = writeChunk(patch, preset);
  ParsedChunk again;
  if (parseChunk(own, again) != ChunkParseResult::kOk) std::abort();
  test::FakeChunkParameters copy = patch;
  applyChunk(again, preset, copy);
  if (writeChunk(copy, preset) != own) std::abort();
  return 0;
}
