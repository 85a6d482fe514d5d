#include "tests/panel/panel_test_support.h"

#include <cstdlib>

namespace kv::test {

std::string skinsRoot() {
  const char* b = std::getenv("KORVANE_BUILD_DIR");
  return std::string(b ? b : ".") + "/skins/";
}

gfx::FontCache& testFonts() {
  static gfx::FontCache fonts(gfx::dejavu_test_fonts());
  return fonts;
}

}  // namespace kv::test
