// The command line of korvane-host: which command and with which options.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kv {

enum class SampleFormat { Float32, Pcm16 };

struct RenderOptions {
  std::string plugin;
  std::string output;
  std::optional<double> seconds;  // render length; else from the material plus the tail
  double tail = 2.0;              // seconds added after the notes, MIDI file or input
  std::optional<int> rate;        // else the input file's rate, else 48000
  int block = 512;
  std::string notes;              // note list text (note_list.h)
  std::string midiFile;
  std::string inputFile;
  std::vector<std::pair<int, float>> parameters;
  std::optional<int> program;
  std::string chunkIn;
  std::string chunkOut;
  bool presetChunk = false;
  SampleFormat format = SampleFormat::Float32;
  bool progress = true;
};

struct HostCommand {
  enum class Kind { Help, Info, Render } kind = Kind::Help;
  std::string plugin;     // for Info
  RenderOptions render;   // for Render
};

// Parses argv (without the program name). False with a one-line reason in `error`.
bool parseHostCommandLine(const std::vector<std::string>& args, HostCommand& command,
                          std::string& error);

extern const char* const kHostUsage;

}  // namespace kv
