#include "tools/patch/plugin_strip.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/child_process.h"

namespace kv {

namespace {

namespace fs = std::filesystem;

// objcopy from the search path.
std::string findObjcopy() {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t from = 0;
  while (from <= dirs.size()) {
    size_t to = dirs.find(':', from);
    if (to == std::string::npos) to = dirs.size();
    const fs::path candidate = fs::path(dirs.substr(from, to - from).empty() ? "." : dirs.substr(from, to - from)) / "objcopy";
    std::error_code ec;
    if (fs::is_regular_file(candidate, ec)) return candidate.string();
    from = to + 1;
  }
  return {};
}

bool objcopy(const std::string& program, std::vector<std::string> args, std::string& error) {
  args.insert(args.begin(), program);
  const ChildResult r = runChildProcess(args);
  if (r.started && r.exited && r.exitCode == 0) return true;
  error = "objcopy failed" + (r.started ? (r.exited ? " (exit " + std::to_string(r.exitCode) + ")"
                                                    : " (" + signalName(r.signal) + ")")
                                        : ": " + r.error);
  return false;
}

}  // namespace

std::string debugFileFor(const std::string& output) { return output + ".debug"; }

bool stripPlugin(const std::string& plugin, const std::string& debugFile, std::vector<uint8_t>& image,
                 std::string& error) {
  const std::string program = findObjcopy();
  if (program.empty()) {
    error = "objcopy is not on the search path (it comes with binutils); --keep-debug builds without it";
    return false;
  }
  const std::string stripped = debugFile + ".stripped";
  std::error_code ec;
  const bool done = objcopy(program, {"--only-keep-debug", plugin, debugFile}, error) &&
                    objcopy(program, {"--strip-debug", "--strip-unneeded", "--add-gnu-debuglink=" + debugFile,
                                      plugin, stripped},
                            error);
  if (done) {
    std::ifstream in(stripped, std::ios::binary);
    image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in || image.empty()) error = "can't read the stripped library " + stripped;
  }
  fs::remove(stripped, ec);
  if (!done || image.empty()) {
    fs::remove(debugFile, ec);
    return false;
  }
  return true;
}

}  // namespace kv
