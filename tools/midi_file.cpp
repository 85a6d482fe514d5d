#include "tools/midi_file.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace kv {

namespace {

constexpr uint32_t kDefaultTempo = 500000;  // 120 BPM
constexpr std::size_t kMaxFileBytes = 16u << 20;

std::string hex2(unsigned v) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", v & 0xFFu);
  return text;
}

// A bounds-checked cursor over one chunk.
class Reader {
 public:
  Reader(std::span<const uint8_t> bytes, std::size_t begin, std::size_t end)
      : bytes_(bytes), pos_(begin), end_(end) {}
  std::size_t pos() const { return pos_; }
  std::size_t remaining() const { return end_ - pos_; }
  bool atEnd() const { return pos_ >= end_; }
  bool byte(uint8_t& v) {
    if (pos_ >= end_) return false;
    v = bytes_[pos_++];
    return true;
  }
  bool peek(uint8_t& v) const {
    if (pos_ >= end_) return false;
    v = bytes_[pos_];
    return true;
  }
  bool skip(std::size_t n) {
    if (n > remaining()) return false;
    pos_ += n;
    return true;
  }
  const uint8_t* here() const { return bytes_.data() + pos_; }
  // A variable-length number: seven bits per byte, at most four bytes.
  enum class Vlq { Ok, End, TooLong };
  Vlq vlq(uint32_t& v) {
    v = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t b;
      if (!byte(b)) return Vlq::End;
      v = (v << 7) | (b & 0x7Fu);
      if ((b & 0x80u) == 0) return Vlq::Ok;
    }
    return Vlq::TooLong;
  }

 private:
  std::span<const uint8_t> bytes_;
  std::size_t pos_;
  std::size_t end_;
};

uint32_t be32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

struct TempoMark {
  uint64_t tick;
  uint32_t tempo;
};

struct TrackContext {
  uint16_t track;
  std::vector<MidiFileEvent>& events;
  std::vector<TempoMark>& tempos;
  std::vector<MidiTimeSignature>& signatures;
  uint64_t endTick = 0;
};

std::string where(const TrackContext& t, std::size_t offset) {
  return "track " + std::to_string(t.track + 1) + " at byte " + std::to_string(offset);
}

bool parseTrack(Reader r, TrackContext& t, std::string& error) {
  uint64_t tick = 0;
  uint8_t running = 0;
  while (!r.atEnd()) {
    const std::size_t eventStart = r.pos();
    uint32_t delta;
    switch (r.vlq(delta)) {
      case Reader::Vlq::Ok:
        break;
      case Reader::Vlq::End:
        error = "MIDI file: " + where(t, eventStart) + ": the track ends inside a delta time";
        return false;
      case Reader::Vlq::TooLong:
        error = "MIDI file: " + where(t, eventStart) + ": delta time longer than four bytes";
        return false;
    }
    tick += delta;
    t.endTick = tick;

    uint8_t status;
    if (!r.peek(status)) {
      error = "MIDI file: " + where(t, r.pos()) + ": the track ends after a delta time";
      return false;
    }
    if (status & 0x80u) {
      r.skip(1);
    } else if (running != 0) {
      status = running;
    } else {
      error = "MIDI file: " + where(t, r.pos()) + ": data byte " + hex2(status) +
              " without a status byte";
      return false;
    }

    if (status < 0xF0) {
      MidiFileEvent e;
      e.tick = tick;
      e.track = t.track;
      const uint8_t type = status & 0xF0u;
      e.size = (type == 0xC0 || type == 0xD0) ? 2 : 3;
      e.bytes[0] = status;
      for (int i = 1; i < e.size; ++i) {
        const std::size_t at = r.pos();
        if (!r.byte(e.bytes[i])) {
          error = "MIDI file: " + where(t, at) + ": the track ends inside a channel message";
          return false;
        }
        if (e.bytes[i] & 0x80u) {
          error = "MIDI file: " + where(t, at) + ": status byte " + hex2(e.bytes[i]) +
                  " where a data byte belongs";
          return false;
        }
      }
      running = status;
      t.events.push_back(e);
      continue;
    }

    if (status == 0xFF) {
      uint8_t type;
      uint32_t length;
      if (!r.byte(type) || r.vlq(length) != Reader::Vlq::Ok || length > r.remaining()) {
        error = "MIDI file: " + where(t, eventStart) + ": meta event runs past the end of the track";
        return false;
      }
      const uint8_t* data = r.here();
      if (type == 0x51 && length >= 3) {
        const uint32_t tempo = (uint32_t{data[0]} << 16) | (uint32_t{data[1]} << 8) | data[2];
        if (tempo > 0) t.tempos.push_back({tick, tempo});
      } else if (type == 0x58 && length >= 2) {
        if (data[0] > 0 && data[1] <= 7)
          t.signatures.push_back({tick, data[0], static_cast<uint8_t>(1u << data[1])});
      }
      r.skip(length);
      if (type == 0x2F) return true;  // end of track: whatever follows is ignored
      continue;
    }

    if (status == 0xF0 || status == 0xF7) {
      uint32_t length;
      if (r.vlq(length) != Reader::Vlq::Ok || length > r.remaining()) {
        error = "MIDI file: " + where(t, eventStart) +
                ": system-exclusive event runs past the end of the track";
        return false;
      }
      r.skip(length);
      continue;
    }

    error = "MIDI file: " + where(t, eventStart) + ": unexpected status byte " + hex2(status);
    return false;
  }
  return true;
}

}  // namespace

double MidiFile::secondsAt(uint64_t tick) const {
  if (ticksPerQuarter == 0) {
    const double ticksPerSecond = smpteFramesPerSecond * ticksPerFrame;
    return ticksPerSecond > 0 ? static_cast<double>(tick) / ticksPerSecond : 0.0;
  }
  // The last tempo change at or before `tick`.
  auto it = std::upper_bound(tempoMap.begin(), tempoMap.end(), tick,
                             [](uint64_t t, const MidiTempoChange& c) { return t < c.tick; });
  const MidiTempoChange base = it == tempoMap.begin() ? MidiTempoChange{} : *(it - 1);
  return base.seconds + static_cast<double>(tick - base.tick) * base.microsecondsPerQuarter /
                            1e6 / ticksPerQuarter;
}

bool parseMidiFile(std::span<const uint8_t> bytes, MidiFile& out, std::string& error) {
  out = MidiFile{};
  if (bytes.size() < 14 || std::string_view(reinterpret_cast<const char*>(bytes.data()), 4) != "MThd") {
    error = "MIDI file: not a standard MIDI file (no MThd header)";
    return false;
  }
  const uint32_t headerLength = be32(bytes.data() + 4);
  if (headerLength < 6 || headerLength > bytes.size() - 8) {
    error = "MIDI file: bad header length " + std::to_string(headerLength);
    return false;
  }
  out.format = be16(bytes.data() + 8);
  out.trackCount = be16(bytes.data() + 10);
  const uint16_t division = be16(bytes.data() + 12);
  if (out.format > 1) {
    error = "MIDI file: format " + std::to_string(out.format) + " is not supported (only 0 and 1)";
    return false;
  }
  if (out.trackCount == 0) {
    error = "MIDI file: the header announces no tracks";
    return false;
  }
  if (division & 0x8000u) {
    const int fps = -static_cast<int8_t>(division >> 8);
    out.ticksPerFrame = division & 0xFFu;
    if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || out.ticksPerFrame == 0) {
      error = "MIDI file: bad SMPTE time division " + std::to_string(fps) + " frames per second, " +
              std::to_string(out.ticksPerFrame) + " ticks per frame";
      return false;
    }
    out.smpteFramesPerSecond = fps == 29 ? 30000.0 / 1001.0 : fps;
  } else {
    out.ticksPerQuarter = division;
    if (division == 0) {
      error = "MIDI file: time division of 0 ticks per quarter note";
      return false;
    }
  }

  std::vector<TempoMark> tempos;
  std::size_t pos = 8 + headerLength;
  uint16_t tracksRead = 0;
  while (tracksRead < out.trackCount && pos < bytes.size()) {
    if (bytes.size() - pos < 8) {
      error = "MIDI file: the file ends inside a chunk header at byte " + std::to_string(pos);
      return false;
    }
    const std::string_view id(reinterpret_cast<const char*>(bytes.data() + pos), 4);
    const uint32_t length = be32(bytes.data() + pos + 4);
    pos += 8;
    if (length > bytes.size() - pos) {
      error = "MIDI file: chunk at byte " + std::to_string(pos - 8) + " claims " +
              std::to_string(length) + " bytes but only " + std::to_string(bytes.size() - pos) +
              " remain";
      return false;
    }
    if (id == "MTrk") {
      TrackContext context{tracksRead, out.events, tempos, out.timeSignatures};
      if (!parseTrack(Reader(bytes, pos, pos + length), context, error)) return false;
      out.lengthTicks = std::max(out.lengthTicks, context.endTick);
      ++tracksRead;
    }
    pos += length;
  }
  if (tracksRead < out.trackCount) {
    error = "MIDI file: the header announces " + std::to_string(out.trackCount) +
            " tracks but the file holds " + std::to_string(tracksRead);
    return false;
  }

  // Tempo map: in time order; of several changes at one tick the last read wins.
  std::stable_sort(tempos.begin(), tempos.end(),
                   [](const TempoMark& a, const TempoMark& b) { return a.tick < b.tick; });
  out.tempoMap.push_back({0, 0.0, kDefaultTempo});
  for (const TempoMark& mark : tempos) {
    if (mark.tick == out.tempoMap.back().tick) {
      out.tempoMap.back().microsecondsPerQuarter = mark.tempo;
      continue;
    }
    MidiTempoChange change;
    change.tick = mark.tick;
    change.seconds = out.secondsAt(mark.tick);
    change.microsecondsPerQuarter = mark.tempo;
    out.tempoMap.push_back(change);
  }
  std::stable_sort(out.timeSignatures.begin(), out.timeSignatures.end(),
                   [](const MidiTimeSignature& a, const MidiTimeSignature& b) { return a.tick < b.tick; });

  // Tracks were appended in order and each is in time order, so a stable sort by tick
  // keeps ties in track order, then file order.
  std::stable_sort(out.events.begin(), out.events.end(),
                   [](const MidiFileEvent& a, const MidiFileEvent& b) { return a.tick < b.tick; });
  for (MidiFileEvent& e : out.events) e.seconds = out.secondsAt(e.tick);
  out.lengthSeconds = out.secondsAt(out.lengthTicks);
  return true;
}

bool readMidiFile(const std::string& path, MidiFile& out, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot open the MIDI file";
    return false;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<uint64_t>(size) > kMaxFileBytes) {
    error = path + ": MIDI file too large";
    return false;
  }
  in.seekg(0);
  std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
    error = path + ": cannot read the MIDI file";
    return false;
  }
  if (!parseMidiFile(bytes, out, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

}  // namespace kv
