#include "platform/text/font_cache.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <tuple>

#include "platform/text/cp1252.h"

namespace kv::gfx {

namespace {

std::string ascii_lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return out;
}

// Round half up of v * num / den for non-negative values.
int32_t scale_round(int64_t v, int64_t num, int64_t den) {
  if (den <= 0) return 0;
  return int32_t((v * num + den / 2) / den);
}

// Every glyph of a font is rendered when the font is made; this bounds the work and memory.
constexpr int64_t kMaxEm = 256;

struct Key {
  std::string face;
  int32_t height, weight;
  bool italic;
  bool operator<(const Key& o) const {
    return std::tie(face, height, weight, italic) < std::tie(o.face, o.height, o.weight, o.italic);
  }
};

}  // namespace

struct FontCache::Impl {
  std::mutex mutex;
  FcConfig* config = nullptr;
  FT_Library library = nullptr;
  std::map<Key, std::shared_ptr<const Font>> fonts;

  ~Impl() {
    if (library) FT_Done_FreeType(library);
    if (config) FcConfigDestroy(config);
  }

  // Best fontconfig match: file, face index, family, and whether weight/slant are met.
  struct Match {
    std::string file;
    int index = 0;
    std::string family;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
  };

  std::optional<Match> match(const FontSpec& spec, int32_t em) {
    if (!config) return std::nullopt;
    FcPattern* pat = FcPatternCreate();
    if (!spec.face.empty()) FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(spec.face.c_str()));
    FcPatternAddInteger(pat, FC_WEIGHT, FcWeightFromOpenType(std::clamp(spec.weight, 1, 1000)));
    FcPatternAddInteger(pat, FC_SLANT, spec.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddDouble(pat, FC_PIXEL_SIZE, double(em));
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(config, pat, &result);
    FcPatternDestroy(pat);
    if (!found) return std::nullopt;
    Match m;
    FcChar8* s = nullptr;
    if (FcPatternGetString(found, FC_FILE, 0, &s) == FcResultMatch && s) m.file = reinterpret_cast<char*>(s);
    if (FcPatternGetString(found, FC_FAMILY, 0, &s) == FcResultMatch && s) m.family = reinterpret_cast<char*>(s);
    FcPatternGetInteger(found, FC_INDEX, 0, &m.index);
    FcPatternGetInteger(found, FC_WEIGHT, 0, &m.weight);
    FcPatternGetInteger(found, FC_SLANT, 0, &m.slant);
    FcPatternDestroy(found);
    if (m.file.empty()) return std::nullopt;
    return m;
  }

  std::shared_ptr<Font> make(const FontSpec& spec) {
    auto font = std::make_shared<Font>();
    font->spec_ = spec;
    const int64_t requested = spec.height == 0 ? -12 : int64_t(spec.height);
    // Refined below for cell heights.
    int32_t em = int32_t(std::clamp<int64_t>(requested < 0 ? -requested : requested, 1, kMaxEm));
    auto m = match(spec, em);
    FT_Face face = nullptr;
    if (m && library && FT_New_Face(library, m->file.c_str(), m->index, &face) != 0) face = nullptr;
    if (!face) {
      // No usable font: blank glyphs, metrics from the size.
      font->family_ = spec.face;
      FontMetrics& fm = font->metrics_;
      fm.char_height = em;
      fm.ascent = scale_round(em, 4, 5);
      fm.descent = em - fm.ascent;
      fm.height = em;
      fm.ave_char_width = fm.max_char_width = std::max(1, em / 2);
      for (Glyph& g : font->glyphs_) g.advance = fm.ave_char_width;
      return font;
    }
    font->family_ = m->family;
    font->file_ = m->file;

    // Vertical metrics in font units: the OS/2 Windows ascent and descent when present
    // (they define GDI's cell), else the horizontal header.
    int64_t asc_u = face->ascender, desc_u = -int64_t(face->descender);
    int64_t avg_u = 0;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
      if (os2->usWinAscent + os2->usWinDescent > 0) {
        asc_u = os2->usWinAscent;
        desc_u = os2->usWinDescent;
      }
      avg_u = os2->xAvgCharWidth;
    }
    int64_t upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;
    if (requested > 0 && asc_u + desc_u > 0)
      em = int32_t(std::clamp<int64_t>((std::min<int64_t>(requested, 4 * kMaxEm) * upem + (asc_u + desc_u) / 2) /
                                           (asc_u + desc_u),
                                       1, kMaxEm));
    FT_Set_Pixel_Sizes(face, 0, FT_UInt(em));

    FontMetrics& fm = font->metrics_;
    fm.char_height = em;
    fm.ascent = scale_round(asc_u, em, upem);
    fm.descent = scale_round(desc_u, em, upem);
    fm.height = fm.ascent + fm.descent;
    fm.internal_leading = std::max(0, fm.height - em);

    const bool embolden = spec.weight >= 600 && m->weight < FC_WEIGHT_DEMIBOLD;
    const bool oblique = spec.italic && m->slant == FC_SLANT_ROMAN;
    int32_t max_adv = 0;
    for (int byte = 0; byte < 256; ++byte) {
      Glyph& g = font->glyphs_[byte];
      char32_t cp = cp1252_to_unicode(uint8_t(byte));
      if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) continue;  // control characters: nothing
      FT_UInt index = FT_Get_Char_Index(face, cp);
      if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_LIGHT) != 0) continue;
      if (embolden) FT_GlyphSlot_Embolden(face->glyph);
      if (oblique) FT_GlyphSlot_Oblique(face->glyph);
      if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_LIGHT) != 0) continue;
      FT_GlyphSlot slot = face->glyph;
      g.advance = int32_t((slot->advance.x + 32) >> 6);
      const FT_Bitmap& bm = slot->bitmap;
      if (bm.pixel_mode == FT_PIXEL_MODE_GRAY && bm.width > 0 && bm.rows > 0) {
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = int32_t(bm.width);
        g.height = int32_t(bm.rows);
        g.coverage.resize(size_t(g.width) * size_t(g.height));
        for (int32_t y = 0; y < g.height; ++y) {
          const unsigned char* src = bm.buffer + std::ptrdiff_t(y) * bm.pitch;
          std::copy(src, src + g.width, g.coverage.begin() + std::ptrdiff_t(y) * g.width);
        }
      }
      max_adv = std::max(max_adv, g.advance);
    }
    fm.max_char_width = max_adv;
    fm.ave_char_width = avg_u > 0 ? scale_round(avg_u, em, upem) : font->glyphs_['x'].advance;
    FT_Done_Face(face);
    return font;
  }
};

FontCache::FontCache() : FontCache(Options{}) {}

FontCache::FontCache(Options options) : impl_(std::make_unique<Impl>()) {
  if (FT_Init_FreeType(&impl_->library) != 0) impl_->library = nullptr;
  if (options.font_files.empty()) {
    impl_->config = FcInitLoadConfigAndFonts();
  } else {
    impl_->config = FcConfigCreate();
    if (impl_->config) {
      for (const std::string& f : options.font_files)
        FcConfigAppFontAddFile(impl_->config, reinterpret_cast<const FcChar8*>(f.c_str()));
    }
  }
}

FontCache::~FontCache() = default;

std::shared_ptr<const Font> FontCache::get(const FontSpec& spec) {
  std::lock_guard lock(impl_->mutex);
  Key key{spec.face, spec.height, spec.weight, spec.italic};
  auto it = impl_->fonts.find(key);
  if (it != impl_->fonts.end()) return it->second;
  std::shared_ptr<const Font> font = impl_->make(spec);
  impl_->fonts.emplace(key, font);
  return font;
}

std::vector<std::string> FontCache::families() {
  std::lock_guard lock(impl_->mutex);
  std::vector<std::string> out;
  if (!impl_->config) return out;
  FcPattern* pat = FcPatternCreate();
  FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* set = FcFontList(impl_->config, pat, os);
  if (set) {
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* s = nullptr;
      for (int k = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, k, &s) == FcResultMatch; ++k)
        out.emplace_back(reinterpret_cast<char*>(s));
    }
    FcFontSetDestroy(set);
  }
  FcObjectSetDestroy(os);
  FcPatternDestroy(pat);
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

std::optional<std::string> FontCache::installed_family(std::string_view name) {
  std::string want = ascii_lower(name);
  for (const std::string& f : families())
    if (ascii_lower(f) == want) return f;
  return std::nullopt;
}

void FontCache::trim() {
  std::lock_guard lock(impl_->mutex);
  for (auto it = impl_->fonts.begin(); it != impl_->fonts.end();) {
    if (it->second.use_count() == 1)
      it = impl_->fonts.erase(it);
    else
      ++it;
  }
}

FontCache::Options dejavu_test_fonts() {
  const std::string dir = "/usr/share/fonts/truetype/dejavu/";
  return {{dir + "DejaVuSans.ttf", dir + "DejaVuSans-Bold.ttf", dir + "DejaVuSans-Oblique.ttf",
           dir + "DejaVuSans-BoldOblique.ttf"}};
}

}  // namespace kv::gfx
