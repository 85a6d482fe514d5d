#include "tools/audio_file.h"

#include <sndfile.h>

namespace kv {

bool readAudioFile(const std::string& path, AudioData& out, std::string& error) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    error = path + ": cannot read the audio file (" + sf_strerror(nullptr) + ")";
    return false;
  }
  if (info.channels < 1 || info.channels > 256 || info.frames < 0 || info.samplerate < 1) {
    sf_close(file);
    error = path + ": unsupported audio file layout";
    return false;
  }
  const int channels = info.channels;
  out.sampleRate = info.samplerate;
  out.channels.assign(static_cast<std::size_t>(channels), {});
  std::vector<float> block(static_cast<std::size_t>(4096) * channels);
  for (;;) {
    const sf_count_t got = sf_readf_float(file, block.data(), 4096);
    if (got <= 0) break;
    for (int c = 0; c < channels; ++c)
      for (sf_count_t f = 0; f < got; ++f)
        out.channels[c].push_back(block[static_cast<std::size_t>(f) * channels + c]);
  }
  sf_close(file);
  return true;
}

AudioFileWriter::~AudioFileWriter() {
  if (file_ != nullptr) sf_close(static_cast<SNDFILE*>(file_));
}

bool AudioFileWriter::open(const std::string& path, int sampleRate, int channels,
                           SampleFormat format, std::string& error) {
  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = channels;
  info.format = SF_FORMAT_WAV | (format == SampleFormat::Pcm16 ? SF_FORMAT_PCM_16 : SF_FORMAT_FLOAT);
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    error = path + ": cannot write the audio file (" + sf_strerror(nullptr) + ")";
    return false;
  }
  // Clip rather than wrap when float samples beyond full scale become integers.
  sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  file_ = file;
  channels_ = channels;
  return true;
}

bool AudioFileWriter::write(const float* const* channels, int frames, std::string& error) {
  interleaved_.resize(static_cast<std::size_t>(frames) * channels_);
  for (int c = 0; c < channels_; ++c)
    for (int f = 0; f < frames; ++f) interleaved_[static_cast<std::size_t>(f) * channels_ + c] = channels[c][f];
  auto* file = static_cast<SNDFILE*>(file_);
  if (sf_writef_float(file, interleaved_.data(), frames) != frames) {
    error = std::string("cannot write the audio file (") + sf_strerror(file) + ")";
    return false;
  }
  return true;
}

bool AudioFileWriter::close(std::string& error) {
  if (file_ == nullptr) return true;
  const int result = sf_close(static_cast<SNDFILE*>(file_));
  file_ = nullptr;
  if (result != 0) {
    error = "cannot finish the audio file";
    return false;
  }
  return true;
}

}  // namespace kv
