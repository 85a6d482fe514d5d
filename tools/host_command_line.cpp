#include "tools/host_command_line.h"

#include <charconv>
#include <cmath>

namespace kv {

const char* const kHostUsage =
    "usage: korvane-host info PLUGIN.so\n"
    "       korvane-host render PLUGIN.so -o OUT.wav [options]\n"
    "render options:\n"
    "  --seconds S          length of the render (default: the notes, MIDI file or input\n"
    "                       plus the tail; 2 seconds when there is none)\n"
    "  --tail S             seconds added after the material (default 2)\n"
    "  --rate R             sample rate (default: the input's, else 48000)\n"
    "  --block N            block size (default 512)\n"
    "  --notes LIST         notes \"note:start:length:velocity,...\" (times in seconds)\n"
    "  --midi FILE.mid      a standard MIDI file (format 0 or 1)\n"
    "  --in IN.wav          audio input for effects\n"
    "  --param INDEX=VALUE  set a parameter (normalised 0..1); repeatable\n"
    "  --program N          select a program\n"
    "  --chunk-in FILE      restore the plug-in's state from a chunk file\n"
    "  --chunk-out FILE     save the plug-in's state as a chunk file after the render\n"
    "  --preset-chunk       use the current program's chunk instead of the bank's\n"
    "  --format float|pcm16 sample format of the output (default float)\n"
    "  --no-progress        no progress bar\n";

namespace {

template <typename T>
bool number(const std::string& text, T& value) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && p == end;
}

}  // namespace

bool parseHostCommandLine(const std::vector<std::string>& args, HostCommand& command,
                          std::string& error) {
  command = HostCommand{};
  if (args.empty()) {
    error = "no command given";
    return false;
  }
  const std::string& verb = args[0];
  if (verb == "-h" || verb == "--help" || verb == "help") {
    command.kind = HostCommand::Kind::Help;
    return true;
  }
  if (verb == "info") {
    if (args.size() != 2) {
      error = "info takes exactly one plug-in file";
      return false;
    }
    command.kind = HostCommand::Kind::Info;
    command.plugin = args[1];
    return true;
  }
  if (verb != "render") {
    error = "unknown command \"" + verb + "\"";
    return false;
  }

  command.kind = HostCommand::Kind::Render;
  RenderOptions& o = command.render;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    // Options with a value take the next argument.
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    std::string v;
    if (a == "-o" || a == "--output") {
      if (!value(o.output)) return false;
    } else if (a == "--seconds") {
      double s;
      if (!value(v)) return false;
      if (!number(v, s) || !(s >= 0) || s > 86400) {
        error = "--seconds wants a length from 0 to 86400, not \"" + v + "\"";
        return false;
      }
      o.seconds = s;
    } else if (a == "--tail") {
      if (!value(v)) return false;
      if (!number(v, o.tail) || !(o.tail >= 0) || o.tail > 3600) {
        error = "--tail wants a length from 0 to 3600, not \"" + v + "\"";
        return false;
      }
    } else if (a == "--rate") {
      int r;
      if (!value(v)) return false;
      if (!number(v, r) || r < 1000 || r > 768000) {
        error = "--rate wants a sample rate from 1000 to 768000, not \"" + v + "\"";
        return false;
      }
      o.rate = r;
    } else if (a == "--block") {
      if (!value(v)) return false;
      if (!number(v, o.block) || o.block < 1 || o.block > 65536) {
        error = "--block wants a size from 1 to 65536, not \"" + v + "\"";
        return false;
      }
    } else if (a == "--notes") {
      if (!value(o.notes)) return false;
    } else if (a == "--midi") {
      if (!value(o.midiFile)) return false;
    } else if (a == "--in") {
      if (!value(o.inputFile)) return false;
    } else if (a == "--param") {
      if (!value(v)) return false;
      const std::size_t eq = v.find('=');
      int index;
      float x;
      if (eq == std::string::npos || !number(v.substr(0, eq), index) ||
          !number(v.substr(eq + 1), x) || index < 0 || !(x >= 0.0f && x <= 1.0f)) {
        error = "--param wants INDEX=VALUE with a value from 0 to 1, not \"" + v + "\"";
        return false;
      }
      o.parameters.emplace_back(index, x);
    } else if (a == "--program") {
      int p;
      if (!value(v)) return false;
      if (!number(v, p) || p < 0) {
        error = "--program wants a program number, not \"" + v + "\"";
        return false;
      }
      o.program = p;
    } else if (a == "--chunk-in") {
      if (!value(o.chunkIn)) return false;
    } else if (a == "--chunk-out") {
      if (!value(o.chunkOut)) return false;
    } else if (a == "--preset-chunk") {
      o.presetChunk = true;
    } else if (a == "--format") {
      if (!value(v)) return false;
      if (v == "float") {
        o.format = SampleFormat::Float32;
      } else if (v == "pcm16") {
        o.format = SampleFormat::Pcm16;
      } else {
        error = "--format wants float or pcm16, not \"" + v + "\"";
        return false;
      }
    } else if (a == "--no-progress") {
      o.progress = false;
    } else if (!a.empty() && a[0] == '-') {
      error = "unknown option " + a;
      return false;
    } else if (o.plugin.empty()) {
      o.plugin = a;
    } else {
      error = "unexpected argument \"" + a + "\"";
      return false;
    }
  }
  if (o.plugin.empty()) {
    error = "render needs a plug-in file";
    return false;
  }
  if (o.output.empty()) {
    error = "render needs an output file (-o OUT.wav)";
    return false;
  }
  if (!o.notes.empty() && !o.midiFile.empty()) {
    error = "give either --notes or --midi, not both";
    return false;
  }
  return true;
}

}  // namespace kv
