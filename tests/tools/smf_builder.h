// Writes standard MIDI files byte by byte for the tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace kv::test {

class SmfTrack {
 public:
  // A delta time as a variable-length number.
  SmfTrack& delta(uint32_t ticks) {
    uint8_t groups[5];
    int n = 0;
    do {
      groups[n++] = ticks & 0x7F;
      ticks >>= 7;
    } while (ticks != 0);
    while (n > 0) {
      --n;
      bytes.push_back(static_cast<uint8_t>(groups[n] | (n > 0 ? 0x80 : 0)));
    }
    return *this;
  }
  SmfTrack& raw(std::initializer_list<uint8_t> data) {
    bytes.insert(bytes.end(), data);
    return *this;
  }
  SmfTrack& event(uint32_t ticks, std::initializer_list<uint8_t> data) { return delta(ticks).raw(data); }
  SmfTrack& tempo(uint32_t ticks, uint32_t microsPerQuarter) {
    return event(ticks, {0xFF, 0x51, 0x03, static_cast<uint8_t>(microsPerQuarter >> 16),
                         static_cast<uint8_t>(microsPerQuarter >> 8), static_cast<uint8_t>(microsPerQuarter)});
  }
  SmfTrack& end(uint32_t ticks = 0) { return event(ticks, {0xFF, 0x2F, 0x00}); }

  std::vector<uint8_t> bytes;
};

inline void putBe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

inline std::vector<uint8_t> smfFile(uint16_t format, uint16_t division, const std::vector<SmfTrack>& tracks) {
  std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
  out.push_back(static_cast<uint8_t>(format >> 8));
  out.push_back(static_cast<uint8_t>(format));
  out.push_back(static_cast<uint8_t>(tracks.size() >> 8));
  out.push_back(static_cast<uint8_t>(tracks.size()));
  out.push_back(static_cast<uint8_t>(division >> 8));
  out.push_back(static_cast<uint8_t>(division));
  for (const SmfTrack& t : tracks) {
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    putBe32(out, static_cast<uint32_t>(t.bytes.size()));
    out.insert(out.end(), t.bytes.begin(), t.bytes.end());
  }
  return out;
}

}  // namespace kv::test
