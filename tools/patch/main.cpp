#include <iostream>

#include "tools/patch/patch_tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return kv::runPatchTool(args, std::cout, std::cerr);
}
