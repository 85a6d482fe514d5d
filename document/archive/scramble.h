#pragma once
// The byte transform that the patch stored in the plug-in file goes through. It only keeps
// the archive from being read as plain text; it is no protection.
//
// Unscrambling walks the buffer: the byte at the position is XORed with the key, and the
// position then advances by 3 when bit 0 of the stored byte was set, else by 1 (the bytes
// stepped over keep their value). Scrambling is the same walk with the step taken from the
// scrambled byte, so each undoes the other. The packing tool and the loader share the key.
#include <cstdint>
#include <span>

namespace kv {

inline constexpr uint8_t kPatchScrambleKey = 0x6B;

void unscramblePatch(std::span<uint8_t> bytes, uint8_t key = kPatchScrambleKey);
void scramblePatch(std::span<uint8_t> bytes, uint8_t key = kPatchScrambleKey);

}  // namespace kv
