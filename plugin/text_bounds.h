// Copying texts into host buffers whose size the host does not tell.
//
// VST 2 hands the plug-in a bare `char*` for names and labels. The limits below are the
// sizes every Linux host provides room for; texts are cut by bytes and always
// terminated.
#pragma once

#include <cstddef>
#include <string_view>

namespace kv {

inline constexpr std::size_t kMaxParamTextLen = 31;    // parameter name, label, display
inline constexpr std::size_t kMaxEffectNameLen = 31;   // effGetEffectName
inline constexpr std::size_t kMaxProgramNameLen = 23;  // program names
inline constexpr std::size_t kMaxVendorTextLen = 63;   // vendor and product texts
inline constexpr std::size_t kMaxParamPropLabelLen = 63;  // VstParameterProperties::label
inline constexpr std::size_t kMaxShortLabelLen = 7;       // short labels of pins, parameters

// Writes at most `maxChars` bytes of `text` and a terminator into `dest` (which holds
// maxChars + 1 bytes). Nothing happens when `dest` is null.
void copyBounded(char* dest, std::string_view text, std::size_t maxChars);

}  // namespace kv
