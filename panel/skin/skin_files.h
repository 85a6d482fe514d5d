#pragma once
// Where skin files come from: a folder on disk, or the built-in "default" skin compiled into
// the program. Both answer files by name inside them, so image loading does not care which.
//
// Disk names use '/' separators. After an exact miss a disk folder looks for a file whose
// name differs only in letter case (skins made on Windows are careless about case).
#include <cstdint>
#include <string>
#include <vector>

namespace kv::skin {

class SkinFiles {
 public:
  virtual ~SkinFiles() = default;
  // The whole file, false when it does not exist or cannot be read.
  virtual bool read(const std::string& name, std::vector<uint8_t>& out) const = 0;
  virtual bool exists(const std::string& name) const = 0;
  // The text messages show for a file.
  virtual std::string pathOf(const std::string& name) const = 0;
};

class DiskSkinFiles final : public SkinFiles {
 public:
  // `folder` is used as a prefix: "" or a path ending in '/'.
  explicit DiskSkinFiles(std::string folder) : folder_(std::move(folder)) {}
  bool read(const std::string& name, std::vector<uint8_t>& out) const override;
  bool exists(const std::string& name) const override;
  std::string pathOf(const std::string& name) const override { return folder_ + name; }

 private:
  // The path of an existing file: exact, else a case-insensitive match of its last part.
  bool resolve(const std::string& name, std::string& path) const;
  std::string folder_;
};

// The built-in "default" skin: file names compared exactly, then without regard to case.
class BuiltinSkinFiles final : public SkinFiles {
 public:
  bool read(const std::string& name, std::vector<uint8_t>& out) const override;
  bool exists(const std::string& name) const override;
  std::string pathOf(const std::string& name) const override { return "<built-in default skin>/" + name; }
};

// Largest skin file read (images and texts); larger files count as unreadable.
inline constexpr uint64_t kMaxSkinFileBytes = uint64_t(64) << 20;

bool equalsNoCase(std::string_view a, std::string_view b);
// The file-name part has an extension (a dot that is not its first character).
bool hasExtension(std::string_view path);
// The path without the extension of its file-name part.
std::string withoutExtension(std::string_view path);
// The folder the running library lives in, followed by "skins/"; "" when unknown.
std::string defaultSkinsRoot();

}  // namespace kv::skin
