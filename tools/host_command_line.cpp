#include "tools/host_command_line.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kv {

const char* const kHostUsage =
    "usage: korvane-host --version\n"
    "       korvane-host info PLUGIN.so\n"
    "       korvane-host params PLUGIN.so [state options]\n"
    "       korvane-host render PLUGIN.so -o OUT.wav [options]\n"
    "       korvane-host stress PLUGIN.so [--seed N] [--calls N] [--in-process]\n"
    "                    [--one-thread] [--verbose]\n"
    "state options (params and render):\n"
    "  --param INDEX=VALUE  set a parameter (normalised 0..1); repeatable\n"
    "  --program N          select a program\n"
    "  --chunk-in FILE      restore the plug-in's state from a chunk file\n"
    "  --fxb-in FILE        restore the plug-in's state from a bank file\n"
    "  --fxp-in FILE        restore the current program from a program file\n"
    "  --preset-chunk       use the current program's chunk instead of the bank's\n"
    "render options:\n"
    "  --seconds S          length of the render (default: the notes, MIDI file or input\n"
    "                       plus the tail; 2 seconds when there is none)\n"
    "  --tail S             seconds added after the material (default 2)\n"
    "  --rate R             sample rate (default: the input's, else 48000)\n"
    "  --block N            block size (default 512)\n"
    "  --notes LIST         notes \"note:start:length:velocity,...\" (times in seconds)\n"
    "  --midi FILE.mid      a standard MIDI file (format 0 or 1)\n"
    "  --in IN.wav          audio input for effects\n"
    "  --automate INDEX=VALUE@SECONDS\n"
    "                       change a parameter during the render; repeatable\n"
    "  --chunk-out FILE     save the plug-in's state as a chunk file after the render\n"
    "  --fxb-out FILE       save the plug-in's state as a bank file after the render\n"
    "  --fxp-out FILE       save the current program as a program file after the render\n"
    "  --midi-out FILE.mid  write the MIDI the plug-in sends (format 0, one tick per frame)\n"
    "  --format float|pcm16 sample format of the output (default float)\n"
    "  --no-progress        no progress bar\n"
    "stress: a seeded sequence of host calls (parameters, programs, chunk round trips,\n"
    "suspend/resume, rate and block-size changes, process calls of random lengths) from\n"
    "two threads, run in a child process; reports non-finite output, crashes and state\n"
    "lost across a chunk round trip.\n"
    "  --seed N             the sequence's seed (default 1)\n"
    "  --calls N            number of host calls (default 10000)\n"
    "  --in-process         run the calls in this process\n"
    "  --one-thread         make the process calls on the same thread, interleaved\n"
    "  --verbose            log every call to standard error\n";

namespace {

template <typename T>
bool number(const std::string& text, T& value) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && p == end;
}

bool parameterAssignment(const std::string& text, int& index, float& x) {
  const std::size_t eq = text.find('=');
  return eq != std::string::npos && number(text.substr(0, eq), index) &&
         number(text.substr(eq + 1), x) && index >= 0 && x >= 0.0f && x <= 1.0f;
}

// An argument that is no known option: the plug-in file, once; anything else is an error.
bool pluginArgument(const std::string& a, std::string& plugin, std::string& error) {
  if (!a.empty() && a[0] == '-') {
    error = "unknown option " + a;
    return false;
  }
  if (!plugin.empty()) {
    error = "unexpected argument \"" + a + "\"";
    return false;
  }
  plugin = a;
  return true;
}

bool parseStress(const std::vector<std::string>& args, StressOptions& o, std::string& error) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    std::string v;
    if (a == "--seed") {
      if (!value(v)) return false;
      if (!number(v, o.seed)) {
        error = "--seed wants a whole number, not \"" + v + "\"";
        return false;
      }
    } else if (a == "--calls") {
      if (!value(v)) return false;
      if (!number(v, o.calls) || o.calls < 1 || o.calls > 1000000000) {
        error = "--calls wants a count from 1 to 1000000000, not \"" + v + "\"";
        return false;
      }
    } else if (a == "--in-process") {
      o.separateProcess = false;
    } else if (a == "--one-thread") {
      o.twoThreads = false;
    } else if (a == "--verbose") {
      o.verbose = true;
    } else if (a == "--child") {
      o.child = true;
      o.separateProcess = false;
    } else if (!pluginArgument(a, o.plugin, error)) {
      return false;
    }
  }
  if (o.plugin.empty()) {
    error = "stress needs a plug-in file";
    return false;
  }
  return true;
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
  if (verb == "--version") {
    command.kind = HostCommand::Kind::Version;
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
  if (verb == "stress") {
    command.kind = HostCommand::Kind::Stress;
    return parseStress(args, command.stress, error);
  }
  if (verb != "render" && verb != "params") {
    error = "unknown command \"" + verb + "\"";
    return false;
  }

  const bool render = verb == "render";
  command.kind = render ? HostCommand::Kind::Render : HostCommand::Kind::Params;
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
    // Options that only a render takes.
    static const char* const renderOnly[] = {"-o", "--output", "--seconds", "--tail", "--rate",
                                             "--block", "--notes", "--midi", "--in",
                                             "--automate", "--chunk-out", "--fxb-out",
                                             "--fxp-out", "--midi-out", "--format", "--no-progress"};
    if (!render)
      for (const char* r : renderOnly)
        if (a == r) {
          error = a + " is a render option";
          return false;
        }
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
    } else if (a == "--midi-out") {
      if (!value(o.midiOut)) return false;
    } else if (a == "--in") {
      if (!value(o.inputFile)) return false;
    } else if (a == "--param") {
      if (!value(v)) return false;
      int index;
      float x;
      if (!parameterAssignment(v, index, x)) {
        error = "--param wants INDEX=VALUE with a value from 0 to 1, not \"" + v + "\"";
        return false;
      }
      o.parameters.emplace_back(index, x);
    } else if (a == "--automate") {
      if (!value(v)) return false;
      const std::size_t at = v.find('@');
      AutomationPoint point;
      if (at == std::string::npos || !parameterAssignment(v.substr(0, at), point.index, point.value) ||
          !number(v.substr(at + 1), point.seconds) || !(point.seconds >= 0) || point.seconds > 86400) {
        error = "--automate wants INDEX=VALUE@SECONDS with a value from 0 to 1, not \"" + v + "\"";
        return false;
      }
      o.automation.push_back(point);
    } else if (a == "--fxb-in") {
      if (!value(o.fxbIn)) return false;
    } else if (a == "--fxp-in") {
      if (!value(o.fxpIn)) return false;
    } else if (a == "--fxb-out") {
      if (!value(o.fxbOut)) return false;
    } else if (a == "--fxp-out") {
      if (!value(o.fxpOut)) return false;
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
    } else if (!pluginArgument(a, o.plugin, error)) {
      return false;
    }
  }
  if (o.plugin.empty()) {
    error = verb + " needs a plug-in file";
    return false;
  }
  if ((!o.chunkIn.empty()) + (!o.fxbIn.empty()) + (!o.fxpIn.empty()) > 1) {
    error = "give only one of --chunk-in, --fxb-in and --fxp-in";
    return false;
  }
  std::stable_sort(o.automation.begin(), o.automation.end(),
                   [](const AutomationPoint& x, const AutomationPoint& y) { return x.seconds < y.seconds; });
  if (!render) return true;
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
