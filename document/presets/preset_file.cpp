#include "document/presets/preset_file.h"

#include <algorithm>
#include <cstring>

namespace kv {

namespace {

constexpr char kChunkMagic[] = "CcnK";
constexpr char kProgramMagic[] = "FPCh";
constexpr char kBankMagic[] = "FBCh";

void putBE(std::vector<uint8_t>& out, std::size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v >> 24);
  out[at + 1] = static_cast<uint8_t>(v >> 16);
  out[at + 2] = static_cast<uint8_t>(v >> 8);
  out[at + 3] = static_cast<uint8_t>(v);
}

int32_t getBE(std::span<const uint8_t> in, std::size_t at) {
  const uint32_t v = (uint32_t{in[at]} << 24) | (uint32_t{in[at + 1]} << 16) |
                     (uint32_t{in[at + 2]} << 8) | uint32_t{in[at + 3]};
  return static_cast<int32_t>(v);
}

bool magicAt(std::span<const uint8_t> in, std::size_t at, const char* magic) {
  return std::memcmp(in.data() + at, magic, 4) == 0;
}

}  // namespace

std::vector<uint8_t> encodePresetFile(const PresetHeader& h, std::span<const uint8_t> chunk) {
  const bool program = h.kind == PresetKind::kProgram;
  const std::size_t headerSize = program ? kProgramHeaderSize : kBankHeaderSize;
  std::vector<uint8_t> out(headerSize + chunk.size(), 0);
  std::memcpy(out.data(), kChunkMagic, 4);
  // Byte size at 4 stays 0: hosts do not read it.
  std::memcpy(out.data() + 8, program ? kProgramMagic : kBankMagic, 4);
  putBE(out, 12, 1);
  putBE(out, 16, static_cast<uint32_t>(h.id));
  putBE(out, 20, static_cast<uint32_t>(h.version));
  putBE(out, 24, static_cast<uint32_t>(program ? 1 : h.programCount));
  if (program) {
    const std::size_t n = std::min(h.programName.size(), kPresetNameChars);
    std::memcpy(out.data() + 28, h.programName.data(), n);
  }
  putBE(out, headerSize - 4, static_cast<uint32_t>(chunk.size()));
  if (!chunk.empty()) std::memcpy(out.data() + headerSize, chunk.data(), chunk.size());
  return out;
}

PresetReadError readPresetFile(std::span<const uint8_t> in, PresetKind kind, PresetFile& out) {
  const bool program = kind == PresetKind::kProgram;
  const std::size_t headerSize = program ? kProgramHeaderSize : kBankHeaderSize;
  // The magic words decide before the length: a bank offered as a program is the wrong kind
  // of file even though it is long enough.
  if (in.size() >= 12 &&
      (!magicAt(in, 0, kChunkMagic) || !magicAt(in, 8, program ? kProgramMagic : kBankMagic)))
    return PresetReadError::kWrongKind;
  if (in.size() < headerSize) return PresetReadError::kTruncated;
  const int32_t size = getBE(in, headerSize - 4);
  if (size <= 0) return PresetReadError::kBadChunkSize;
  if (static_cast<uint64_t>(size) > in.size() - headerSize) return PresetReadError::kTruncated;

  PresetFile f;
  f.header.kind = kind;
  f.header.id = getBE(in, 16);
  f.header.version = getBE(in, 20);
  f.header.programCount = getBE(in, 24);
  if (program) {
    const auto* name = reinterpret_cast<const char*>(in.data() + 28);
    f.header.programName.assign(name, strnlen(name, 28));
  }
  f.chunk = in.subspan(headerSize, static_cast<std::size_t>(size));
  out = std::move(f);
  return PresetReadError::kNone;
}

bool presetIdAccepted(int32_t fileId, int32_t ownId) {
  return fileId == ownId || fileId == kGenericPresetId || ownId == kGenericPresetId;
}

}  // namespace kv
