#include "plugin/chunk.h"

#include "document/archive/archive_error.h"
#include "document/archive/archive_reader.h"
#include "document/archive/archive_writer.h"
#include "document/archive/class_table.h"
#include "document/archive/load_context.h"

namespace kv {

std::vector<uint8_t> writeChunk(ChunkParameters& parameters, bool preset) {
  std::vector<uint8_t> bytes;
  ArchiveWriter w(bytes);
  const int32_t count = parameters.parameterCount();
  w.writeI32(kChunkMatchById);
  w.writeI32(count);
  for (int32_t i = 0; i < count; ++i) w.writeI32(parameters.controlId(i));

  // The programs stored: the current one for a preset, else 0..127.
  const int32_t first = preset ? parameters.currentProgram() : 0;
  const int32_t n = preset ? 1 : kChunkBankPrograms;
  w.writeI32(n);
  for (int32_t p = first; p < first + n; ++p) w.writeText(parameters.programName(p));
  for (int32_t i = 0; i < count; ++i)
    for (int32_t p = first; p < first + n; ++p) w.writeText(parameters.valueText(i, p));
  return bytes;
}

ChunkParseResult parseChunk(std::span<const uint8_t> bytes, ParsedChunk& out,
                            std::string* reason) {
  out = ParsedChunk{};
  // The chunk holds no objects: an empty class table serves its texts and counts.
  static const ClassTable kNoClasses;
  LoadContext context;
  try {
    ArchiveReader r(bytes, kNoClasses, context);
    out.marker = r.readI32();
    if (out.marker != kChunkMatchByPosition && out.marker != kChunkMatchById &&
        out.marker != kChunkMatchByName) {
      if (reason) *reason = "unknown chunk marker " + std::to_string(out.marker);
      return ChunkParseResult::kUnknownMarker;
    }
    const bool byName = out.marker == kChunkMatchByName;
    // Every key takes at least 4 bytes (an id) or 1 byte (a text's length).
    const uint32_t count = r.readInt32Count(byName ? 1 : 4);
    if (byName) {
      out.names.reserve(count);
      for (uint32_t j = 0; j < count; ++j) out.names.push_back(r.readText());
    } else {
      out.ids.reserve(count);
      for (uint32_t j = 0; j < count; ++j) out.ids.push_back(r.readI32());
    }
    const uint32_t n = r.readInt32Count(1);
    // The names and every value text take at least one byte each.
    const uint64_t texts = static_cast<uint64_t>(count) * n + n;
    if (texts > r.remaining()) {
      if (reason) *reason = "the chunk is shorter than its counts say";
      return ChunkParseResult::kMalformed;
    }
    out.program_names.reserve(n);
    for (uint32_t p = 0; p < n; ++p) out.program_names.push_back(r.readText());
    out.values.resize(count);
    for (uint32_t j = 0; j < count; ++j) {
      out.values[j].reserve(n);
      for (uint32_t p = 0; p < n; ++p) out.values[j].push_back(r.readText());
    }
    r.commit();
  } catch (const ArchiveError& e) {
    if (reason) *reason = e.what();
    return ChunkParseResult::kMalformed;
  } catch (const std::bad_alloc&) {
    if (reason) *reason = "the chunk is too large";
    return ChunkParseResult::kMalformed;
  }
  return ChunkParseResult::kOk;
}

namespace {

// Does the stored entry j name the current parameter i?
bool matches(const ParsedChunk& chunk, int32_t j, ChunkParameters& parameters, int32_t i) {
  switch (chunk.marker) {
    case kChunkMatchByPosition:
      return true;
    case kChunkMatchById:
      return parameters.controlId(i) == chunk.ids[j];
    default:
      return parameters.parameterName(i) == chunk.names[j];
  }
}

}  // namespace

ChunkApplyResult applyChunk(const ParsedChunk& chunk, bool preset, ChunkParameters& parameters) {
  ChunkApplyResult result;
  const int32_t stored = chunk.storedPrograms();
  // Stored program s goes to program target(s); a preset carries only its first program.
  const int32_t used = preset ? (stored > 0 ? 1 : 0) : stored;
  const int32_t current = parameters.currentProgram();
  auto target = [&](int32_t s) { return preset ? current : s; };

  for (int32_t s = 0; s < used; ++s) {
    const int32_t program = target(s);
    if (program >= 0 && program < kChunkBankPrograms)
      parameters.setProgramName(program, chunk.program_names[s]);
  }

  const int32_t count = parameters.parameterCount();
  int32_t cursor = 0;
  for (int32_t j = 0; j < chunk.entryCount(); ++j) {
    int32_t taken = -1;
    if (count > 0) {
      const int32_t candidate = cursor;
      cursor = (cursor + 1) % count;
      if (matches(chunk, j, parameters, candidate)) {
        taken = candidate;
      } else {
        for (int32_t i = 0; i < count; ++i) {
          if (matches(chunk, j, parameters, i)) {
            taken = i;
            cursor = (i + 1) % count;
            break;
          }
        }
      }
    }
    if (taken < 0) {
      ++result.unmatched;
      continue;
    }
    for (int32_t s = 0; s < used; ++s) {
      const int32_t program = target(s);
      if (program >= 0 && program < kChunkBankPrograms)
        parameters.setValueText(taken, program, chunk.values[j][s]);
    }
  }
  return result;
}

}  // namespace kv
