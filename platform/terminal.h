// Whether a standard stream is an interactive terminal (decides, for example, whether a
// command-line tool draws a progress bar).
#pragma once

namespace kv {

bool stderrIsTerminal();

}  // namespace kv
