// Number-to-text operations of the adapter. Every text fits 8 characters, the room
// hosts traditionally give a parameter's display, and is written without regard to the
// process locale (hosts often set one with a decimal comma).
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "plugin/audio_effect.h"
#include "plugin/text_bounds.h"

namespace kv {

namespace {
constexpr std::size_t kMaxNumberChars = 8;
}

void AudioEffect::float2string(float value, char* text) {
  if (!text) return;
  if (value == 0.0f) value = 0.0f;  // no "-0"
  // As many decimals as still fit: 1.5 -> "1.500000", 12345.6 -> "12345.60".
  char buf[64];
  for (int decimals = 7; decimals >= 0; --decimals) {
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed,
                                 decimals);
    const auto n = static_cast<std::size_t>(r.ptr - buf);
    if (r.ec == std::errc() && n <= kMaxNumberChars) {
      copyBounded(text, {buf, n}, kMaxNumberChars);
      return;
    }
  }
  copyBounded(text, value < 0 ? "-Huge!" : "Huge!", kMaxNumberChars);
}

void AudioEffect::long2string(int32_t value, char* text) {
  if (!text) return;
  // "%7d" fits 8 characters from -9999999 to 99999999; beyond, the digits would be cut.
  if (value > 99999999) {
    copyBounded(text, "Huge!", kMaxNumberChars);
  } else if (value < -9999999) {
    copyBounded(text, "-Huge!", kMaxNumberChars);
  } else {
    std::snprintf(text, kMaxNumberChars + 1, "%7d", static_cast<int>(value));
  }
}

void AudioEffect::dB2string(float value, char* text) {
  if (!(value > 0.0f)) {  // also NaN
    copyBounded(text, "-oo", kMaxNumberChars);
    return;
  }
  float2string(20.0f * std::log10(value), text);
}

void AudioEffect::Hz2string(float samples, char* text) {
  if (samples == 0.0f) {
    float2string(0.0f, text);
    return;
  }
  float2string(sampleRate / samples, text);
}

void AudioEffect::ms2string(float samples, char* text) {
  float2string(samples * 1000.0f / sampleRate, text);
}

}  // namespace kv
