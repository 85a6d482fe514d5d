#include "panel/skin/skin_info.h"

#include "document/archive/archive.h"
#include "panel/skin/skin_manager.h"
#include "platform/message_service.h"

namespace kv {

const ArchiveClass SkinInfo::kArchiveClass{"SkinInfo", 1, nullptr, &createArchivable<SkinInfo>};

namespace {

const SkinFontInfo& defaultCategory() {
  static const SkinFontInfo info{"", "System", 12, 0xFFFFFFu};
  return info;
}

// The built-in skin only serves "default", never a skin folder of another name.
const skin::SkinFiles& builtinFiles() {
  static const skin::BuiltinSkinFiles files;
  return files;
}

std::string textOf(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace

SkinInfo::SkinInfo(SkinManager* manager, std::string name, int32_t index, bool embedded)
    : name_(std::move(name)), index_(index), embedded_(embedded), manager_(manager) {
  if (!name_.empty()) readFontFile();
}

SkinInfo::~SkinInfo() = default;

void SkinInfo::readFontFile() {
  diskFonts_.clear();
  std::vector<uint8_t> bytes;
  bool found = false;
  if (manager_ && !manager_->root().empty()) {
    skin::DiskSkinFiles root(manager_->root());
    found = root.read(name_ + "/global.txt", bytes) || root.read("default/global.txt", bytes);
  }
  if (!found) found = builtinFiles().read("global.txt", bytes);
  if (!found) return;
  skin::FamilyLookup lookup;
  if (manager_) lookup = [m = manager_](std::string_view n) { return m->installedFamily(n); };
  for (SkinFontInfo& f : skin::parseFontFile(textOf(bytes), lookup))
    diskFonts_.push_back(std::make_unique<SkinFontInfo>(std::move(f)));
}

void SkinInfo::serialize(Archive& ar) {
  if (ar.isLoading()) {
    ArchiveReader& r = ar.reader();
    name_ = r.readText();
    embedded_ = true;
    readFontFile();
    // The reader owns what it creates until its load commits; the skin keeps copies of its
    // own and lets the reader drop the originals.
    for (;;) {
      CAnimBitmap* stored = r.readObjectAs<CAnimBitmap>();
      if (!stored) break;
      auto* copy = new CAnimBitmap(stored->name(), CSkinBitmap::kColour);
      SkinImageRef ref(copy);
      copy->setPixels(stored->pixels());
      copy->description() = stored->description();
      r.discard(stored);
      addImage(std::move(ref));
    }
    uint32_t count = r.readInt32Count(2);
    for (uint32_t i = 0; i < count; ++i) {
      SkinFontInfo* stored = r.readObjectAs<SkinFontInfo>();
      if (!stored) continue;
      embeddedFonts_.push_back(std::make_unique<SkinFontInfo>(*stored));
      r.discard(stored);
    }
  } else {
    ArchiveWriter& w = ar.writer();
    w.writeText(name_);
    for (const SkinImageRef& image : cache_)
      if (image->hasPixels()) w.writeObject(image.get());
    w.writeObject(nullptr);
    w.writeI32(int32_t(embeddedFonts_.size()));
    for (const auto& f : embeddedFonts_) w.writeObject(f.get());
  }
}

void SkinInfo::addImage(SkinImageRef image) {
  if (!image) return;
  for (SkinImageRef& held : cache_)
    if (held->name() == image->name()) {
      held = std::move(image);
      return;
    }
  cache_.push_back(std::move(image));
}

void SkinInfo::addFontCategory(const SkinFontInfo& category) {
  embeddedFonts_.push_back(std::make_unique<SkinFontInfo>(category));
}

SkinImageRef SkinInfo::GetBitmap(const std::string& name, CSkinBitmap::Format format) {
  std::string key = name;
  size_t dot = key.find_last_of('.');
  if (dot != std::string::npos) key.erase(dot);
  for (const SkinImageRef& held : cache_)
    if (held->name() == key) return held->hasPixels() ? held : SkinImageRef();
  SkinImageRef image(new CAnimBitmap(key, format));
  cache_.push_back(image);
  searchImage(*image, name);
  return image->hasPixels() ? image : SkinImageRef();
}

bool SkinInfo::searchImage(CAnimBitmap& image, const std::string& requested) {
  std::string name = requested;
  for (char& c : name)
    if (c == '\\') c = '/';
  // A drive-letter path stored on Windows names no file here: look for its file name.
  if (name.find(':') != std::string::npos) name = name.substr(name.find_last_of(":/") + 1);
  const bool absolute = !name.empty() && name[0] == '/';
  const std::string root = manager_ ? manager_->root() : std::string();
  std::string skinName = name_;
  auto attempt = [&](const skin::SkinFiles& files) {
    std::string file = name;
    if (!skin::hasExtension(file)) file += files.exists(file + ".png") ? ".png" : ".bmp";
    if (!files.exists(file)) return false;
    image.description() = skin::ImageDescription{};
    std::string error;
    if (image.loadWithDescription(files, file, error)) return true;
    showMessage("Error reading image file: " + error, MessageIcon::Information);
    return false;
  };
  for (;;) {
    std::string dir;
    if (absolute) {
      dir.clear();
    } else {
      dir = root;
      if (!skin::equalsNoCase(skinName, "global")) dir += skinName + "/";
    }
    skin::DiskSkinFiles disk(dir);
    if ((absolute || !root.empty()) && attempt(disk)) return true;
    if (skin::equalsNoCase(skinName, "default") || absolute) {
      if (!absolute && attempt(builtinFiles())) return true;
      std::string file = name;
      if (!skin::hasExtension(file)) file += ".bmp";
      std::string path = absolute || !root.empty() ? disk.pathOf(file) : builtinFiles().pathOf(file);
      showMessage("Error Loading Image.  Check this file exists: " + path, MessageIcon::Plain);
      return false;
    }
    skinName = "default";
  }
}

const SkinFontInfo& SkinInfo::GetFontInfo(const std::string& category) const {
  for (const auto& f : diskFonts_)
    if (f->category == category) return *f;
  for (const auto& f : embeddedFonts_)
    if (f->category == category) return *f;
  return defaultCategory();
}

std::shared_ptr<const SkinFont> SkinInfo::GetFont(const std::string& category) const {
  if (!manager_) return nullptr;
  return manager_->GetFontCache(GetFontInfo(category));
}

gfx::Size SkinInfo::GetCharSize(const std::string& category) const {
  std::shared_ptr<const SkinFont> f = GetFont(category);
  return f ? gfx::Size{f->aveCharWidth, f->charHeight} : gfx::Size{};
}

}  // namespace kv
