// Bank and program files come from anywhere on disk: reading must never go past the bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "document/presets/preset_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  for (kv::PresetKind kind : {kv::PresetKind::kProgram, kv::PresetKind::kBank}) {
    kv::PresetFile f;
    if (kv::readPresetFile(bytes, kind, f) != kv::PresetReadError::kNone) continue;
    // The chunk lies inside the input; re-encoding reads every byte of it.
    volatile uint8_t sum = 0;
    for (uint8_t b : f.chunk) sum = static_cast<uint8_t>(sum + b);
    (void)kv::encodePresetFile(f.header, f.chunk);
  }
  return 0;
}
