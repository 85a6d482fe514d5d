#include "tools/preset_file.h"

#include <algorithm>
#include <cstring>

namespace kv {

namespace {

constexpr size_t kProgramChunkAt = 60;
constexpr size_t kBankChunkAt = 160;
constexpr size_t kNameBytes = 28;

void put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}
void putTag(std::vector<uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

uint32_t get32(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1]) << 16 |
         static_cast<uint32_t>(b[at + 2]) << 8 | b[at + 3];
}
bool tagAt(std::span<const uint8_t> b, size_t at, const char* tag) {
  return std::memcmp(b.data() + at, tag, 4) == 0;
}

}  // namespace

std::vector<uint8_t> encodePresetFile(const PresetFile& f) {
  std::vector<uint8_t> out;
  const size_t header = f.bank ? kBankChunkAt : kProgramChunkAt;
  out.reserve(header + f.chunk.size());
  putTag(out, "CcnK");
  put32(out, static_cast<uint32_t>(header - 8 + f.chunk.size()));
  putTag(out, f.bank ? "FBCh" : "FPCh");
  put32(out, 1);
  put32(out, static_cast<uint32_t>(f.pluginId));
  put32(out, static_cast<uint32_t>(f.pluginVersion));
  put32(out, static_cast<uint32_t>(f.bank ? f.numPrograms : 1));
  if (f.bank) {
    out.insert(out.end(), 128, 0);
  } else {
    // The name and zeros up to 28 bytes; it always ends with at least one zero.
    const size_t n = std::min(f.programName.size(), kNameBytes - 1);
    for (size_t i = 0; i < kNameBytes; ++i)
      out.push_back(i < n ? static_cast<uint8_t>(f.programName[i]) : 0);
  }
  put32(out, static_cast<uint32_t>(f.chunk.size()));
  out.insert(out.end(), f.chunk.begin(), f.chunk.end());
  return out;
}

bool decodePresetFile(std::span<const uint8_t> b, PresetFile& f, std::string& error) {
  f = PresetFile{};
  if (b.size() < 28 || !tagAt(b, 0, "CcnK")) {
    error = "not a bank or program file (no \"CcnK\" header)";
    return false;
  }
  if (tagAt(b, 8, "FxCk") || tagAt(b, 8, "FxBk")) {
    error = "the file stores a parameter list, not a state chunk; this host moves only chunks";
    return false;
  }
  if (tagAt(b, 8, "FBCh")) {
    f.bank = true;
  } else if (!tagAt(b, 8, "FPCh")) {
    error = "unknown bank or program file kind";
    return false;
  }
  const size_t chunkAt = f.bank ? kBankChunkAt : kProgramChunkAt;
  if (b.size() < chunkAt) {
    error = "the file ends inside its header";
    return false;
  }
  f.pluginId = static_cast<int32_t>(get32(b, 16));
  f.pluginVersion = static_cast<int32_t>(get32(b, 20));
  f.numPrograms = static_cast<int32_t>(get32(b, 24));
  if (!f.bank) {
    const char* name = reinterpret_cast<const char*>(b.data() + 28);
    f.programName.assign(name, strnlen(name, kNameBytes));
  }
  const uint32_t size = get32(b, chunkAt - 4);
  if (size == 0 || size > b.size() - chunkAt) {
    error = "the chunk size (" + std::to_string(size) + ") does not fit the file";
    return false;
  }
  f.chunk.assign(b.begin() + static_cast<long>(chunkAt), b.begin() + static_cast<long>(chunkAt + size));
  return true;
}

}  // namespace kv
