#pragma once
// FontCache: finds and renders fonts for one application (one plug-in instance); nothing is
// shared between caches, so two plug-ins in one host never touch each other's fonts.
//
// Look-up goes through fontconfig: the requested family, weight and slant are matched
// against the known fonts and the best match is used, so a missing face falls back to a
// close one (never to nothing while any font is installed). When the match lacks the
// requested weight or slant, the glyphs are emboldened or slanted by FreeType.
//
// Options::font_files pins the fonts: only those files are known (tests pin DejaVu by path,
// so renders do not depend on the machine's fonts).

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/font.h"

namespace kv::gfx {

class FontCache {
 public:
  struct Options {
    std::vector<std::string> font_files;  // empty: the system's fonts
  };

  FontCache();
  explicit FontCache(Options options);
  ~FontCache();
  FontCache(const FontCache&) = delete;
  FontCache& operator=(const FontCache&) = delete;

  // The font for a request; made on first use and kept. Never null: without any usable
  // font file the answer has metrics from the size and blank glyphs.
  std::shared_ptr<const Font> get(const FontSpec& spec);

  // The family as installed when one matches `name` without regard to ASCII case.
  std::optional<std::string> installed_family(std::string_view name);
  std::vector<std::string> families();

  // Drops fonts nobody else holds.
  void trim();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The fonts tests pin: DejaVu Sans in its four styles (fonts-dejavu-core).
FontCache::Options dejavu_test_fonts();

}  // namespace kv::gfx
