// WAV files for the command-line tools, through libsndfile: reading a whole file into
// one float vector per channel, and writing a file block by block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/host_command_line.h"

namespace kv {

struct AudioData {
  int sampleRate = 0;
  std::vector<std::vector<float>> channels;  // one vector per channel, equal lengths
  int64_t frames() const { return channels.empty() ? 0 : static_cast<int64_t>(channels[0].size()); }
};

// Reads any file libsndfile understands. False with a one-line reason in `error`.
bool readAudioFile(const std::string& path, AudioData& out, std::string& error);

class AudioFileWriter {
 public:
  AudioFileWriter() = default;
  ~AudioFileWriter();
  AudioFileWriter(const AudioFileWriter&) = delete;
  AudioFileWriter& operator=(const AudioFileWriter&) = delete;

  // Creates a WAV file. Samples beyond ±1 are clipped in the 16-bit format.
  bool open(const std::string& path, int sampleRate, int channels, SampleFormat format,
            std::string& error);
  // Writes `frames` frames from planar channel buffers.
  bool write(const float* const* channels, int frames, std::string& error);
  bool close(std::string& error);

 private:
  void* file_ = nullptr;  // SNDFILE*
  int channels_ = 0;
  std::vector<float> interleaved_;
};

}  // namespace kv
