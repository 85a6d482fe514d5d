// The plug-in's state as the host stores it: every host parameter's value text in every
// program, plus the program names.
//
// Layout (integers little-endian int32, texts in the archive's text form):
//
//   marker                 852170 when written; 852154 and 852218 are read as well
//   count                  number of host parameters
//   count keys             852170: control ids; 852154: control ids (matched by position);
//                          852218: parameter names (texts)
//   n                      programs stored: 128 for a bank, 1 for a program (preset)
//   n texts                program names
//   count x n texts        for each parameter in list order, its value text per program
//
// Reading is done in two steps so that a damaged chunk never half-applies. parseChunk reads
// the whole block into a ParsedChunk, checking every count and length against the bytes that
// remain; only a block that parsed completely reaches applyChunk, which matches the stored
// entries to the current parameters (by position, control id or name) and writes the texts.
//
// Matching keeps a cursor on the current list: the stored entry j is first compared with the
// parameter at the cursor (which then moves on, wrapping at the end); when that is not it,
// the whole list is searched from the start and the cursor moves past the match. A chunk
// saved from the same patch therefore matches in one pass, a reordered one still finds its
// parameters, and entries for parameters the patch no longer has are counted as unmatched.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kv {

inline constexpr int32_t kChunkMatchByPosition = 852154;
inline constexpr int32_t kChunkMatchById = 852170;
inline constexpr int32_t kChunkMatchByName = 852218;

// Programs a bank chunk stores, whatever the patch offers.
inline constexpr int32_t kChunkBankPrograms = 128;

// Text reported when some stored entries found no parameter.
inline constexpr const char* kChunkUnmatchedText = "Some parameters could not be loaded";

// The patch's host parameters in list order, as the chunk sees them. Parameters that keep no
// per-program values answer their current value text for any program and take a text for
// any program as their current value.
class ChunkParameters {
 public:
  virtual ~ChunkParameters() = default;
  virtual int32_t parameterCount() = 0;
  // The control id of the parameter's record; 0 for parameters without one.
  virtual int32_t controlId(int32_t index) = 0;
  virtual std::string parameterName(int32_t index) = 0;
  virtual std::string valueText(int32_t index, int32_t program) = 0;
  virtual void setValueText(int32_t index, int32_t program, const std::string& text) = 0;

  virtual int32_t currentProgram() = 0;
  virtual std::string programName(int32_t program) = 0;
  virtual void setProgramName(int32_t program, const std::string& name) = 0;
};

// Writes the chunk: a bank (programs 0..127) or, with `preset`, the current program only.
std::vector<uint8_t> writeChunk(ChunkParameters& parameters, bool preset);

struct ParsedChunk {
  int32_t marker = 0;
  std::vector<int32_t> ids;                        // by position or by id
  std::vector<std::string> names;                  // by name
  std::vector<std::string> program_names;          // n
  std::vector<std::vector<std::string>> values;    // count entries of n texts

  int32_t entryCount() const { return static_cast<int32_t>(values.size()); }
  int32_t storedPrograms() const { return static_cast<int32_t>(program_names.size()); }
};

enum class ChunkParseResult {
  kOk,
  kUnknownMarker,  // not one of the three markers: the block is ignored
  kMalformed,      // too short, a negative or impossible count, a bad text
};

// Reads the whole block. Anything after the last value text is ignored. On failure `out` is
// left in an unspecified state and `reason` (when given) says what was wrong.
ChunkParseResult parseChunk(std::span<const uint8_t> bytes, ParsedChunk& out,
                            std::string* reason = nullptr);

struct ChunkApplyResult {
  int32_t unmatched = 0;  // stored entries that found no parameter
};

// Applies a parsed chunk. With `preset` the first stored program goes to the current
// program (a chunk with no programs changes nothing); otherwise stored program p goes to
// program p, for p below 128.
ChunkApplyResult applyChunk(const ParsedChunk& chunk, bool preset, ChunkParameters& parameters);

}  // namespace kv
