// korvane-host: a command-line VST 2 host.
//
//   korvane-host info PLUGIN.so
//   korvane-host params PLUGIN.so [state options]
//   korvane-host render PLUGIN.so -o OUT.wav [options]
//   korvane-host stress PLUGIN.so [--seed N] [--calls N] ...
//
// Exit codes: 0 success, 1 the plug-in or a file failed, 2 bad arguments.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "korvane_version.h"
#include "hosting/vst_host.h"
#include "hosting/vst_plugin.h"
#include "tools/host_command_line.h"
#include "tools/param_list.h"
#include "tools/plugin_info.h"
#include "tools/plugin_state.h"
#include "tools/render.h"
#include "tools/stress.h"

namespace {

int fail(const std::string& message) {
  std::fprintf(stderr, "korvane-host: %s\n", message.c_str());
  return 1;
}

int runInfo(const std::string& path) {
  kv::VstHost host;
  kv::VstLoadFailure failure;
  std::unique_ptr<kv::VstPlugin> plugin = kv::VstPlugin::load(path, host, failure);
  if (!plugin) return fail(failure.message);
  kv::writePluginInfo(*plugin, std::cout);
  std::cout.flush();
  return 0;
}

int runParams(const kv::RenderOptions& options) {
  kv::VstHost host;
  kv::VstLoadFailure failure;
  std::unique_ptr<kv::VstPlugin> plugin = kv::VstPlugin::load(options.plugin, host, failure);
  if (!plugin) return fail(failure.message);
  std::string error;
  if (!kv::checkStateOptions(options, *plugin, error) ||
      !kv::applyStateOptions(options, *plugin, error))
    return fail(error);
  kv::writeParameterList(*plugin, std::cout);
  std::cout.flush();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    std::vector<std::string> args(argv + 1, argv + argc);
    kv::HostCommand command;
    std::string error;
    if (!kv::parseHostCommandLine(args, command, error)) {
      std::fprintf(stderr, "korvane-host: %s\n%s", error.c_str(), kv::kHostUsage);
      return 2;
    }
    switch (command.kind) {
      case kv::HostCommand::Kind::Help:
        std::fputs(kv::kHostUsage, stdout);
        return 0;
      case kv::HostCommand::Kind::Version:
        std::printf("korvane-host %s\n", kv::kKorvaneVersion);
        return 0;
      case kv::HostCommand::Kind::Info:
        return runInfo(command.plugin);
      case kv::HostCommand::Kind::Params:
        return runParams(command.render);
      case kv::HostCommand::Kind::Stress:
        return kv::runStressCommand(command.stress);
      case kv::HostCommand::Kind::Render:
        if (!kv::renderWithPlugin(command.render, error)) return fail(error);
        return 0;
    }
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  return 1;
}
