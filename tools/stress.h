// The "stress" command of korvane-host: drives a plug-in through a long, seeded sequence of
// host calls in the orders real hosts use and the odd ones they also use.
//
// The user-interface side makes `calls` calls chosen by a seeded generator: parameter
// writes and reads with their texts, program changes (also out of range), program names,
// chunk round trips (bank and program), truncated chunks, restoring an older chunk,
// suspend and resume in any order (twice in a row, suspend without resume), sample-rate and
// block-size changes (0 included), and idle calls. The audio side makes process calls of
// random lengths (0 and longer than announced included), sends random MIDI through the
// events call every time (also with no events), writes parameters as automation playback
// does, and alternates replacing and accumulating calls. With two threads (the default) the
// audio side runs on its own thread at the same time; with one thread it is interleaved
// into the same seeded sequence, which then repeats exactly.
//
// Findings: output samples that are NaN or infinite; a chunk that does not come back the
// same after being given back (get, set, get); a truncated chunk that changed the state; a
// bank that a second instance does not reproduce. A crash is found by running the sequence
// in a child process (the default) and reporting how it ended.
#pragma once

#include "tools/host_command_line.h"

namespace kv {

// Runs the command; answers the process exit code: 0 no finding, 1 findings or a crash,
// 2 the plug-in could not be loaded.
int runStressCommand(const StressOptions& options);

}  // namespace kv
