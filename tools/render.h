// The "render" command of korvane-host: plays notes, a MIDI file or an input file
// through a plug-in offline and writes what it outputs to a WAV file.
//
// The plug-in is driven in the order VST 2 plug-ins expect: open (at load), sample
// rate, block size, program, state chunk, parameters, resume, start of processing,
// the block loop, end of processing, suspend and close. Before each block the MIDI of
// that block goes in through effProcessEvents with offsets inside the block; the
// transport advances with the blocks, following a MIDI file's tempo map.
#pragma once

#include <string>

#include "tools/host_command_line.h"

namespace kv {

// Runs the render. Answers true on success; otherwise `error` holds one line and no
// output file is left behind. Warnings go to standard error.
bool renderWithPlugin(const RenderOptions& options, std::string& error);

}  // namespace kv
