// Moving a plug-in's state between korvane-host and files: raw chunks and bank or program
// files, in and out, and the program and parameter settings of the command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/host_command_line.h"

namespace kv {

class VstPlugin;

// Checks the state options against the plug-in (program and parameter ranges, chunk support)
// and reads any state file. False with one line in `error`.
bool checkStateOptions(const RenderOptions& options, VstPlugin& plugin, std::string& error);

// Applies program, state file and parameters, in that order (before resume).
bool applyStateOptions(const RenderOptions& options, VstPlugin& plugin, std::string& error);

// Writes the requested state files (after the render).
bool saveStateOptions(const RenderOptions& options, VstPlugin& plugin, std::string& error);

// Whole-file helpers. writeFileReplacing writes a temporary file beside `path` and renames it
// over the target, so a failed write never leaves a truncated file behind.
bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);
bool writeFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes,
                        std::string& error);

}  // namespace kv
