#pragma once
// File versions: the first int32 of a patch says which fields its records hold.
#include <cstdint>
#include <string>

namespace kv {

// The version this system writes, and the version a reading context starts with.
inline constexpr int32_t kCurrentFileVersion = 95081;
// Streams from this version on come from a newer program and are refused.
inline constexpr int32_t kFirstNewerFileVersion = 95082;
// The oldest version read: older streams need records of classes this system does not have
// (the first module types, old connections and panel boxes) and fail with a message.
inline constexpr int32_t kOldestReadableFileVersion = 37;

// The refusal of a stream written by a newer program, e.g. for 95082:
// "Load Cancelled.  File created by a newer version of Korvane (V950.82). Please use a newer
// version of the plug-in to load this patch."  The number is the version times 0.01 in single
// precision with two decimals, independent of the host's locale.
std::string newerVersionMessage(int32_t file_version);

// The detail of the archive error for a stream older than kOldestReadableFileVersion.
std::string tooOldVersionDetail(int32_t file_version);

}  // namespace kv
