#pragma once
// Bank ("fxb") and program ("fxp") files: the host chunk of a module's programs wrapped in
// the interchange header hosts use for preset files. All header integers are big-endian.
//
//   offset  size  program file            bank file
//   0       4     "CcnK"                  "CcnK"
//   4       4     byte size (written 0)   byte size (written 0)
//   8       4     "FPCh"                  "FBCh"
//   12      4     format version 1        format version 1
//   16      4     plug-in id              plug-in id
//   20      4     plug-in version         plug-in version
//   24      4     number of programs: 1   number of programs (128)
//   28      28    program name (at most   128 zero bytes (to offset 156)
//                 20 characters, zeros)
//   56      4     chunk size              -
//   60      n     chunk                   -
//   156     4     -                       chunk size
//   160     n     -                       chunk
//
// Reading checks everything before a byte of the chunk is used: the length of the header,
// both magic words against the kind of file asked for, and a chunk size above 0 that fits in
// the bytes that are there. The program name is taken up to its first zero byte within the
// 28-byte field.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

enum class PresetKind { kProgram, kBank };

inline constexpr int32_t kGenericPresetId = 0x4B566474;  // "KVdt": fits every patch
inline constexpr std::size_t kPresetNameChars = 20;
inline constexpr std::size_t kProgramHeaderSize = 60;
inline constexpr std::size_t kBankHeaderSize = 160;

struct PresetHeader {
  PresetKind kind = PresetKind::kProgram;
  int32_t id = 0;
  int32_t version = 0;
  int32_t programCount = 1;
  std::string programName;  // program files only
};

std::vector<uint8_t> encodePresetFile(const PresetHeader& header, std::span<const uint8_t> chunk);

enum class PresetReadError {
  kNone,
  kTruncated,      // shorter than its header, or than the chunk it announces
  kWrongKind,      // magic words of another kind of file (or of no preset file at all)
  kBadChunkSize,   // a chunk size of 0 or below
};

struct PresetFile {
  PresetHeader header;
  std::span<const uint8_t> chunk;  // points into the bytes that were read
};

// Reads the bytes of a file of the given kind. On failure `out` is left unchanged.
PresetReadError readPresetFile(std::span<const uint8_t> bytes, PresetKind kind, PresetFile& out);

// Whether a file with `fileId` may be loaded into a module with `ownId`: equal ids, a file
// made for every patch, or a module that takes every file.
bool presetIdAccepted(int32_t fileId, int32_t ownId);

}  // namespace kv
