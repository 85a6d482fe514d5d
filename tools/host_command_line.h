// The command line of korvane-host: which command and with which options.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kv {

enum class SampleFormat { Float32, Pcm16 };

// A parameter change at a time of the render (applied before the block holding it).
struct AutomationPoint {
  double seconds = 0;
  int index = 0;
  float value = 0;
};

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
  std::vector<AutomationPoint> automation;  // sorted by time
  std::optional<int> program;
  std::string chunkIn;
  std::string chunkOut;
  bool presetChunk = false;
  std::string fxbIn, fxpIn;    // state from a bank or program file
  std::string fxbOut, fxpOut;  // state to a bank or program file after the render
  std::string midiOut;         // the MIDI the plug-in sends, as a standard MIDI file
  SampleFormat format = SampleFormat::Float32;
  bool progress = true;
};

struct StressOptions {
  std::string plugin;
  uint64_t seed = 1;
  int64_t calls = 10000;
  bool separateProcess = true;  // run the calls in a child process (crashes are reported)
  bool twoThreads = true;       // process calls on their own thread
  bool verbose = false;         // log every call to standard error
  bool child = false;           // internal: this process is the child
};

struct HostCommand {
  enum class Kind { Help, Version, Info, Render, Params, Stress } kind = Kind::Help;
  std::string plugin;     // for Info
  RenderOptions render;   // for Render, and the state options of Params
  StressOptions stress;   // for Stress
};

// Parses argv (without the program name). False with a one-line reason in `error`.
bool parseHostCommandLine(const std::vector<std::string>& args, HostCommand& command,
                          std::string& error);

extern const char* const kHostUsage;

}  // namespace kv
