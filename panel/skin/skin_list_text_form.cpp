#include "panel/skin/skin_list_text_form.h"

#include <cstdio>
#include <stdexcept>

#include "document/archive/archive.h"
#include "document/patch_header.h"
#include "document/text/json_lines.h"
#include "document/text/text_form_common.h"
#include "panel/skin/patch_readers.h"
#include "platform/image/png_codec.h"

namespace kv {

namespace {

using json = nlohmann::json;
using ojson = nlohmann::ordered_json;

[[noreturn]] void fail(const json& at, const std::string& what) {
  const int line = text::lineOf(at);
  throw std::runtime_error(line > 0 ? "line " + std::to_string(line) + ": " + what : what);
}

void allowOnly(const json& node, const std::string& where, std::initializer_list<const char*> keys) {
  for (auto it = node.begin(); it != node.end(); ++it) {
    if (it.key() == text::kLineKey) continue;
    bool known = false;
    for (const char* k : keys) known = known || it.key() == k;
    if (!known) fail(node, "unknown item \"" + it.key() + "\" in " + where);
  }
}

const json* find(const json& node, const char* key) {
  auto it = node.find(key);
  return it == node.end() ? nullptr : &*it;
}

std::string textOf(const json& node, const char* key, const std::string& where) {
  const json* v = find(node, key);
  if (!v || !v->is_string()) fail(node, where + " needs \"" + key + "\" (a text)");
  return text::utf8ToWindows1252(v->get<std::string>());
}

bool isInt32(const json& v) {
  if (!v.is_number_integer()) return false;
  if (v.is_number_unsigned()) return v.get<uint64_t>() <= uint64_t(INT32_MAX);
  const int64_t n = v.get<int64_t>();
  return n >= INT32_MIN && n <= INT32_MAX;
}

// Absent: `fallback`.
int32_t integer(const json& node, const char* key, const std::string& where, int32_t fallback, int64_t lo = INT32_MIN,
                int64_t hi = INT32_MAX) {
  const json* v = find(node, key);
  if (!v) return fallback;
  if (!isInt32(*v) || v->get<int64_t>() < lo || v->get<int64_t>() > hi)
    fail(node, "\"" + std::string(key) + "\" of " + where + " must be a whole number from " + std::to_string(lo) +
                   " to " + std::to_string(hi));
  return static_cast<int32_t>(v->get<int64_t>());
}

// Absent: false and `out` unchanged.
bool integers(const json& node, const char* key, const std::string& where, std::initializer_list<int32_t*> out) {
  const json* v = find(node, key);
  if (!v) return false;
  if (!v->is_array() || v->size() != out.size())
    fail(node, "\"" + std::string(key) + "\" of " + where + " must be a list of " + std::to_string(out.size()) +
                   " whole numbers");
  size_t i = 0;
  for (int32_t* o : out) {
    const json& e = (*v)[i++];
    if (!isInt32(e))
      fail(node, "\"" + std::string(key) + "\" of " + where + " must be a list of " + std::to_string(out.size()) +
                     " whole numbers");
    *o = static_cast<int32_t>(e.get<int64_t>());
  }
  return true;
}

const char* const kKindNames[] = {"slider", "knob", "button", "bargraph"};

void description(const json& node, const std::string& where, skin::ImageDescription& d, int32_t imageWidth,
                 int32_t imageHeight) {
  if (!node.is_object()) fail(node, "the description of " + where + " must be an object");
  allowOnly(node, "the description of " + where,
            {"type", "frame_size", "last_frame", "padding", "handle_rect", "handle_range", "mouse_response",
             "segment_count"});
  const std::string w = "the description of " + where;
  if (const json* t = find(node, "type")) {
    // A name, or the number a stored record may hold beyond the named kinds.
    bool known = isInt32(*t);
    if (known) d.kind = static_cast<int32_t>(t->get<int64_t>());
    for (int32_t k = 0; k < 4; ++k)
      if (t->is_string() && t->get<std::string>() == kKindNames[k]) d.kind = k, known = true;
    if (!known) fail(node, "\"type\" of " + w + " must be one of slider, knob, button, bargraph");
  }
  if (integers(node, "frame_size", w, {&d.frameWidth, &d.frameHeight})) {
    if (d.frameWidth <= 0 || d.frameHeight <= 0) fail(node, "\"frame_size\" of " + w + " must be positive");
    d.frameSizeGiven = true;
  }
  integers(node, "padding", w, {&d.padTop, &d.padBottom, &d.padLeft, &d.padRight});
  integers(node, "handle_rect", w, {&d.handleRect.left, &d.handleRect.top, &d.handleRect.right, &d.handleRect.bottom});
  integers(node, "handle_range", w, {&d.handleRangeStart, &d.handleRangeEnd});
  d.response = integer(node, "mouse_response", w, d.response);
  d.segmentCount = integer(node, "segment_count", w, d.segmentCount);
  skin::computeFrames(d, imageWidth, imageHeight);
  d.lastFrame = integer(node, "last_frame", w, d.lastFrame, 0, INT32_MAX);
}

SkinImageRef image(const json& node, const std::string& skinWhere, const std::string& folder) {
  if (!node.is_object()) fail(node, "each image of " + skinWhere + " must be an object");
  const std::string name = textOf(node, "name", "an image of " + skinWhere);
  const std::string where = "image \"" + text::windows1252ToUtf8(name) + "\" of " + skinWhere;
  allowOnly(node, where, {"name", "png", "file", "description"});
  const json* png = find(node, "png");
  const json* file = find(node, "file");
  if ((png != nullptr) == (file != nullptr)) fail(node, where + " needs either \"png\" (base64) or \"file\"");
  std::vector<uint8_t> bytes;
  if (png) {
    std::optional<std::vector<uint8_t>> b = png->is_string() ? text::fromBase64(png->get<std::string>()) : std::nullopt;
    if (!b) fail(node, "\"png\" of " + where + " is not valid base64");
    bytes = std::move(*b);
  } else {
    if (!file->is_string() || file->get<std::string>().empty()) fail(node, "\"file\" of " + where + " must be a path");
    const std::string& rel = file->get<std::string>();
    const std::string path = rel[0] == '/' ? rel : folder + "/" + rel;
    std::string error;
    if (!gfx::read_file_bytes(path, bytes, error)) fail(node, where + ": can't read \"" + rel + "\": " + error);
  }
  gfx::Bitmap pixels;
  std::string reason;
  if (bytes.empty() || !gfx::decode_png(bytes, pixels, reason) || pixels.empty())
    fail(node, where + " is not a PNG image" + (reason.empty() ? std::string() : ": " + reason));
  gfx::to_transparency(pixels);
  auto* made = new CAnimBitmap(name, CSkinBitmap::kColour);
  SkinImageRef ref(made);
  made->setPixels(std::move(pixels));
  skin::ImageDescription d;
  if (const json* desc = find(node, "description"))
    description(*desc, where, d, made->width(), made->height());
  else
    skin::computeFrames(d, made->width(), made->height());
  made->description() = d;
  return ref;
}

SkinFontInfo font(const json& node, const std::string& skinWhere) {
  if (!node.is_object()) fail(node, "each font of " + skinWhere + " must be an object");
  const std::string category = textOf(node, "category", "a font of " + skinWhere);
  const std::string where = "font \"" + text::windows1252ToUtf8(category) + "\" of " + skinWhere;
  allowOnly(node, where, {"category", "face", "size", "colour"});
  SkinFontInfo f(category, textOf(node, "face", where), integer(node, "size", where, 12), 0);
  const json* c = find(node, "colour");
  if (c) {
    const std::string s = c->is_string() ? c->get<std::string>() : std::string();
    unsigned value = 0;
    int used = 0;
    if (s.size() < 7 || s.size() > 9 || s[0] != '#' || std::sscanf(s.c_str() + 1, "%8x%n", &value, &used) != 1 ||
        size_t(used) != s.size() - 1)
      fail(node, "\"colour\" of " + where + " must be \"#BBGGRR\"");
    f.colour = value;
  }
  return f;
}

std::string hexColour(uint32_t colour) {
  char buf[12];
  std::snprintf(buf, sizeof buf, "#%06X", unsigned(colour));
  return buf;
}

}  // namespace

SkinListTextForm::SkinListTextForm(std::string fileFolder) : folder_(std::move(fileFolder)), manager_("") {}
SkinListTextForm::~SkinListTextForm() = default;

const ClassTable& SkinListTextForm::classes() const { return patchAndSkinClasses(); }

void SkinListTextForm::compile(const json& skins) {
  if (!skins.is_array()) fail(skins, "\"skins\" must be a list");
  std::vector<std::unique_ptr<SkinInfo>> made;
  for (const json& s : skins) {
    if (!s.is_object()) fail(skins, "each skin must be an object");
    const std::string name = textOf(s, "name", "a skin");
    const std::string where = "skin \"" + text::windows1252ToUtf8(name) + "\"";
    allowOnly(s, where, {"name", "images", "fonts"});
    auto skin = std::make_unique<SkinInfo>(&manager_, name, int32_t(made.size()), true);
    if (const json* images = find(s, "images")) {
      if (!images->is_array()) fail(s, "\"images\" of " + where + " must be a list");
      for (const json& i : *images) {
        SkinImageRef ref = image(i, where, folder_);
        // The image cache holds one image of a name: a second would replace the first.
        for (const SkinImageRef& held : skin->images())
          if (held->name() == ref->name()) fail(i, where + " has two images named \"" + text::windows1252ToUtf8(ref->name()) + "\"");
        skin->addImage(std::move(ref));
      }
    }
    if (const json* fonts = find(s, "fonts")) {
      if (!fonts->is_array()) fail(s, "\"fonts\" of " + where + " must be a list");
      for (const json& f : *fonts) skin->addFontCategory(font(f, where));
    }
    made.push_back(std::move(skin));
  }
  compiled_ = std::move(made);
}

void SkinListTextForm::write(ArchiveWriter& writer) {
  writer.writeI32(int32_t(compiled_.size()));
  for (const auto& s : compiled_) {
    Archive ar(writer);
    s->serialize(ar);
  }
}

void SkinListTextForm::read(ArchiveReader& reader) {
  patchSkinListReader([this]() -> SkinManager& { return manager_; }, read_)(reader);
}

ojson SkinListTextForm::dump() const {
  ojson list = ojson::array();
  for (const auto& s : read_) {
    ojson skin = ojson::object();
    skin["name"] = text::windows1252ToUtf8(s->name());
    ojson images = ojson::array();
    for (const SkinImageRef& i : s->images()) {
      if (!i->hasPixels()) continue;  // not part of the record
      gfx::Bitmap straight = i->pixels();
      gfx::to_transparency(straight);
      const skin::ImageDescription& d = i->description();
      ojson e = ojson::object();
      e["name"] = text::windows1252ToUtf8(i->name());
      e["png"] = text::toBase64(gfx::encode_png(straight, gfx::PngChannels::rgba));
      ojson desc = ojson::object();
      if (d.kind >= 0 && d.kind < 4) desc["type"] = kKindNames[d.kind];
      else desc["type"] = d.kind;
      desc["frame_size"] = ojson::array({d.frameWidth, d.frameHeight});
      desc["last_frame"] = d.lastFrame;
      desc["padding"] = ojson::array({d.padTop, d.padBottom, d.padLeft, d.padRight});
      desc["handle_rect"] = ojson::array({d.handleRect.left, d.handleRect.top, d.handleRect.right, d.handleRect.bottom});
      desc["handle_range"] = ojson::array({d.handleRangeStart, d.handleRangeEnd});
      desc["mouse_response"] = d.response;
      desc["segment_count"] = d.segmentCount;
      e["description"] = std::move(desc);
      images.push_back(std::move(e));
    }
    skin["images"] = std::move(images);
    ojson fonts = ojson::array();
    for (const auto& f : s->embeddedCategories()) {
      ojson e = ojson::object();
      e["category"] = text::windows1252ToUtf8(f->category);
      e["face"] = text::windows1252ToUtf8(f->face);
      e["size"] = f->size;
      e["colour"] = hexColour(f->colour);
      fonts.push_back(std::move(e));
    }
    skin["fonts"] = std::move(fonts);
    list.push_back(std::move(skin));
  }
  return list;
}

}  // namespace kv
