// Running another program and waiting for it: the stand-in for process creation with a
// wait for the child's end. Tools use it to run risky work in a separate process, so that a
// crash there is reported instead of ending the tool.
#pragma once

#include <string>
#include <vector>

namespace kv {

struct ChildResult {
  bool started = false;  // false: the program could not be run (`error` says why)
  bool exited = false;   // ended by returning from main or calling exit
  int exitCode = 0;      // when exited
  int signal = 0;        // when ended by a signal (a crash, an abort)
  std::string error;
};

// Runs `argv[0]` (a path, not searched) with the arguments, inheriting the standard streams,
// and waits for it to end.
ChildResult runChildProcess(const std::vector<std::string>& argv);

// The path of the running executable, or empty when it cannot be found.
std::string currentExecutablePath();

// A short name for a signal number ("SIGSEGV"), or "signal N".
std::string signalName(int signal);

}  // namespace kv
