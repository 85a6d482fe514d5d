#include "tools/midi_out_file.h"

#include <algorithm>
#include <numeric>

namespace kv {

namespace {

constexpr uint32_t kMaxDivision = 0x7FFF;    // a larger value would mean SMPTE time
constexpr uint32_t kMaxTempo = 0xFFFFFF;     // three bytes
constexpr int64_t kMaxDelta = 0x0FFFFFFF;    // four bytes of a variable-length number

void be16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}
void be32(std::vector<uint8_t>& out, uint32_t v) {
  be16(out, v >> 16);
  be16(out, v & 0xFFFF);
}

void vlq(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t groups[4];
  int n = 0;
  do {
    groups[n++] = v & 0x7F;
    v >>= 7;
  } while (v != 0 && n < 4);
  while (n > 0) {
    --n;
    out.push_back(static_cast<uint8_t>(groups[n] | (n > 0 ? 0x80 : 0)));
  }
}

// Delta times longer than four bytes can hold go in as empty escapes between.
void delta(std::vector<uint8_t>& out, int64_t ticks) {
  while (ticks > kMaxDelta) {
    vlq(out, static_cast<uint32_t>(kMaxDelta));
    out.insert(out.end(), {0xF7, 0x00});
    ticks -= kMaxDelta;
  }
  vlq(out, static_cast<uint32_t>(std::max<int64_t>(ticks, 0)));
}

// The length of a short message with this status byte (1 to 3).
int messageLength(uint8_t status) {
  if (status < 0xF0) return (status & 0xE0) == 0xC0 ? 2 : 3;  // program change, channel pressure: 2
  switch (status) {
    case 0xF1:
    case 0xF3:
      return 2;
    case 0xF2:
      return 3;
    default:
      return 1;
  }
}

void message(std::vector<uint8_t>& out, const SentMidi& m) {
  const uint8_t status = m.bytes[0];
  int length = messageLength(status);
  bool channel = status >= 0x80 && status < 0xF0;
  for (int i = 1; i < length; ++i) channel = channel && m.bytes[i] < 0x80;
  if (channel) {
    out.insert(out.end(), m.bytes, m.bytes + length);
    return;
  }
  if (status < 0x80 || status == 0xF0) length = 3;  // no status, or the start of an exclusive
  out.push_back(0xF7);
  vlq(out, static_cast<uint32_t>(length));
  out.insert(out.end(), m.bytes, m.bytes + length);
}

}  // namespace

bool frameTicks(int rate, uint16_t& division, uint32_t& tempo) {
  if (rate <= 0) return false;
  // division x 1e6 / rate must be whole: the smallest division is rate / gcd(rate, 1e6).
  const int64_t g = std::gcd<int64_t, int64_t>(rate, 1000000);
  const int64_t d = rate / g;
  const int64_t t = 1000000 / g;
  if (d > kMaxDivision || t > kMaxTempo) return false;
  division = static_cast<uint16_t>(d);
  tempo = static_cast<uint32_t>(t);
  return true;
}

bool encodeMidiOutFile(const std::vector<SentMidi>& messages, int rate, int64_t endFrame,
                       std::vector<uint8_t>& bytes, std::string& error) {
  uint16_t division = 0;
  uint32_t tempo = 0;
  if (!frameTicks(rate, division, tempo)) {
    error = "a MIDI file cannot count frames at " + std::to_string(rate) + " Hz";
    return false;
  }
  std::vector<uint8_t> track;
  // The tempo that makes one tick one frame.
  track.insert(track.end(), {0x00, 0xFF, 0x51, 0x03});
  track.push_back(static_cast<uint8_t>(tempo >> 16));
  track.push_back(static_cast<uint8_t>(tempo >> 8));
  track.push_back(static_cast<uint8_t>(tempo));
  int64_t at = 0;
  for (const SentMidi& m : messages) {
    const int64_t frame = std::max(m.frame, at);
    delta(track, frame - at);
    at = frame;
    message(track, m);
  }
  delta(track, std::max(endFrame, at) - at);
  track.insert(track.end(), {0xFF, 0x2F, 0x00});

  bytes.clear();
  bytes.insert(bytes.end(), {'M', 'T', 'h', 'd'});
  be32(bytes, 6);
  be16(bytes, 0);  // format 0
  be16(bytes, 1);  // one track
  be16(bytes, division);
  bytes.insert(bytes.end(), {'M', 'T', 'r', 'k'});
  be32(bytes, static_cast<uint32_t>(track.size()));
  bytes.insert(bytes.end(), track.begin(), track.end());
  return true;
}

}  // namespace kv
