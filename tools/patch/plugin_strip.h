#pragma once
// Plug-ins as users receive them. The plug-in library as the build makes it carries its debug
// information (tens of megabytes); the copy korvane-patch build writes is stripped with the
// toolchain's own objcopy: the loaded sections and the dynamic symbols stay (VSTPluginMain and
// main remain the only exports), the symbol table and the debug sections go. The debug
// information is kept apart, in NAME.so.debug beside the output, and the stripped library
// names it with a GNU debug link, so that a debugger finds it for a user's crash report.
#include <cstdint>
#include <string>
#include <vector>

namespace kv {

// The debug file that goes with a built plug-in at `output`.
std::string debugFileFor(const std::string& output);

// Writes the debug information of the library at `plugin` to `debugFile` and answers in
// `image` the stripped library, linked to that file. False with a one-line reason (and no
// debug file left behind) when objcopy cannot be found or fails.
bool stripPlugin(const std::string& plugin, const std::string& debugFile, std::vector<uint8_t>& image,
                 std::string& error);

}  // namespace kv
