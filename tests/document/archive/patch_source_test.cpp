// Finding the patch: the ELF section of the module file (read without loading it), then the
// ".dat" file beside it, then the message. Damaged ELF files are made here from the real
// fixture modules, with the header fields patched at their ELF64 offsets.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "document/archive/patch_source.h"
#include "document/archive/scramble.h"
#include "platform/elf_section_reader.h"
#include "platform/module_path.h"
#include "tests/document/archive/fixtures/test_patch.h"
#include "tests/document/archive/test_classes.h"

extern "C" const char* kv_tiny_module_path();

namespace kv {
namespace {

namespace fs = std::filesystem;
using Status = ElfSection::Status;

std::vector<uint8_t> fileBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path& p, std::span<const uint8_t> bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// ELF64 little-endian field access for building damaged copies.
template <class T>
T get(const std::vector<uint8_t>& b, uint64_t off) {
  T v;
  std::memcpy(&v, b.data() + off, sizeof v);
  return v;
}
template <class T>
void put(std::vector<uint8_t>& b, uint64_t off, T v) {
  std::memcpy(b.data() + off, &v, sizeof v);
}
constexpr uint64_t kShoff = 0x28, kShentsize = 0x3A, kShnum = 0x3C, kShstrndx = 0x3E;
constexpr uint64_t kShName = 0, kShType = 4, kShOffset = 24, kShSize = 32, kShLink = 40, kShdrSize = 64;

uint64_t sectionHeader(const std::vector<uint8_t>& b, uint64_t i) { return get<uint64_t>(b, kShoff) + i * kShdrSize; }

// Index of the section with this name, found independently of the reader under test.
uint64_t sectionIndex(const std::vector<uint8_t>& b, const std::string& name) {
  const uint64_t n = get<uint16_t>(b, kShnum);
  const uint64_t names = get<uint64_t>(b, sectionHeader(b, get<uint16_t>(b, kShstrndx)) + kShOffset);
  for (uint64_t i = 0; i < n; ++i) {
    const char* s = reinterpret_cast<const char*>(b.data() + names + get<uint32_t>(b, sectionHeader(b, i) + kShName));
    if (name == s) return i;
  }
  return 0;
}

class PatchSource : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    dir_ = fs::temp_directory_path() / ("kv_patch_source_" + std::to_string(rd()));
    fs::create_directories(dir_);
    plain_ = fileBytes(KV_TEST_TINY_MODULE);
    patched_ = fileBytes(KV_TEST_PATCHED_MODULE);
    ASSERT_GT(plain_.size(), 64u);
    ASSERT_GT(patched_.size(), plain_.size());
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
  std::vector<uint8_t> plain_, patched_;
};

TEST_F(PatchSource, SectionOfTheModuleFile) {
  ElfSection s = readElfSection(std::string(KV_TEST_PATCHED_MODULE), kPatchSectionName);
  ASSERT_EQ(s.status, Status::kFound) << s.error;
  EXPECT_EQ(s.bytes, fileBytes(KV_TEST_PATCH_BLOB));  // stored scrambled
  EXPECT_EQ(readElfSection(std::string(KV_TEST_TINY_MODULE), kPatchSectionName).status, Status::kAbsent);
  EXPECT_EQ(readElfSection(patched_, kPatchSectionName).bytes, s.bytes);

  PatchBytes p = findPatchBytes(KV_TEST_PATCHED_MODULE);
  ASSERT_EQ(p.origin, PatchBytes::Origin::kSection);
  EXPECT_EQ(p.bytes, test::testPatchBytes());  // unscrambled
  auto root = test::readTestRoot(p.bytes);
  EXPECT_EQ(root->value, 165);
  EXPECT_EQ(root->name, "embedded patch");
}

TEST_F(PatchSource, LoadOrderSectionThenDataFileThenMessage) {
  const std::vector<uint8_t> dat = {1, 2, 3};
  const fs::path plugin = dir_ / "libplug.so";
  const fs::path data = dir_ / "libplug.dat";

  fs::copy_file(KV_TEST_PATCHED_MODULE, plugin);
  writeFile(data, dat);
  EXPECT_EQ(findPatchBytes(plugin).origin, PatchBytes::Origin::kSection);  // section first

  fs::remove(plugin);
  fs::copy_file(KV_TEST_TINY_MODULE, plugin);
  PatchBytes p = findPatchBytes(plugin);
  EXPECT_EQ(p.origin, PatchBytes::Origin::kDataFile);
  EXPECT_EQ(p.bytes, dat);  // stored plain
  EXPECT_EQ(p.path, data.string());

  fs::remove(data);
  p = findPatchBytes(plugin);
  EXPECT_EQ(p.origin, PatchBytes::Origin::kNone);
  EXPECT_TRUE(p.bytes.empty());
  EXPECT_EQ(p.message, "libplug: Can't find plugin data file. (" + data.string() + ")");

  EXPECT_EQ(findPatchBytes("").origin, PatchBytes::Origin::kNone);  // own path unknown

  // A damaged module file does not stop the data file from being used.
  writeFile(plugin, std::vector<uint8_t>(plain_.begin(), plain_.begin() + 100));
  writeFile(data, dat);
  EXPECT_EQ(findPatchBytes(plugin).origin, PatchBytes::Origin::kDataFile);
}

TEST_F(PatchSource, AnotherModulesPatchComesOnlyFromItsSection) {
  PatchBytes p = readModulePatch(KV_TEST_PATCHED_MODULE);
  ASSERT_EQ(p.origin, PatchBytes::Origin::kSection);
  EXPECT_EQ(p.bytes, test::testPatchBytes());

  const fs::path other = dir_ / "other.so";
  fs::copy_file(KV_TEST_TINY_MODULE, other);
  writeFile(dir_ / "other.dat", test::testPatchBytes());
  p = readModulePatch(other);
  EXPECT_EQ(p.origin, PatchBytes::Origin::kNone);
  EXPECT_FALSE(p.message.empty());
  EXPECT_EQ(readModulePatch((dir_ / "missing.so").string()).origin, PatchBytes::Origin::kNone);
}

TEST_F(PatchSource, FileErrors) {
  EXPECT_EQ(readElfSection((dir_ / "missing.so").string(), ".text").status, Status::kIoError);
  EXPECT_EQ(readElfSection(dir_.string(), ".text").status, Status::kIoError);
  writeFile(dir_ / "empty.so", std::vector<uint8_t>{});
  EXPECT_EQ(readElfSection((dir_ / "empty.so").string(), ".text").status, Status::kNotElf);
  writeFile(dir_ / "cut.so", std::vector<uint8_t>(patched_.begin(), patched_.begin() + patched_.size() / 2));
  EXPECT_NE(readElfSection((dir_ / "cut.so").string(), kPatchSectionName).status, Status::kFound);
}

TEST_F(PatchSource, DamagedElfHeadersAndTables) {
  const uint64_t ours = sectionIndex(patched_, kPatchSectionName);
  ASSERT_NE(ours, 0u);
  const uint64_t our_hdr = sectionHeader(patched_, ours);
  const uint16_t shnum = get<uint16_t>(patched_, kShnum);
  const uint16_t shstrndx = get<uint16_t>(patched_, kShstrndx);
  const uint64_t names_hdr = sectionHeader(patched_, shstrndx);
  const uint64_t names_size = get<uint64_t>(patched_, names_hdr + kShSize);
  const uint64_t size = patched_.size();

  struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
    Status expected;
  };
  const Case cases[] = {
      {"no magic", [](auto& b) { b[1] = 'X'; }, Status::kNotElf},
      {"32-bit class", [](auto& b) { b[4] = 1; }, Status::kNotElf},
      {"big-endian data", [](auto& b) { b[5] = 2; }, Status::kNotElf},
      {"section header size", [](auto& b) { put<uint16_t>(b, kShentsize, 40); }, Status::kCorrupt},
      {"table past the end", [&](auto& b) { put<uint64_t>(b, kShoff, size - 10); }, Status::kCorrupt},
      {"table offset wraps", [](auto& b) { put<uint64_t>(b, kShoff, ~uint64_t{0} - 8); }, Status::kCorrupt},
      {"too many sections", [](auto& b) { put<uint16_t>(b, kShnum, 0xFF00); }, Status::kCorrupt},
      {"name table index", [&](auto& b) { put<uint16_t>(b, kShstrndx, shnum); }, Status::kCorrupt},
      {"name table past the end", [&](auto& b) { put<uint64_t>(b, names_hdr + kShOffset, size); }, Status::kCorrupt},
      {"name table is NOBITS", [&](auto& b) { put<uint32_t>(b, names_hdr + kShType, 8); }, Status::kCorrupt},
      {"name offset outside", [&](auto& b) { put<uint32_t>(b, our_hdr + kShName, static_cast<uint32_t>(names_size)); },
       Status::kCorrupt},
      {"names without an end", [&](auto& b) {
         const uint64_t off = get<uint64_t>(b, names_hdr + kShOffset);
         for (uint64_t i = 0; i < names_size; ++i) if (b[off + i] == 0) b[off + i] = 'x';
       }, Status::kCorrupt},
      {"data past the end", [&](auto& b) { put<uint64_t>(b, our_hdr + kShOffset, size); }, Status::kCorrupt},
      {"data size wraps", [&](auto& b) { put<uint64_t>(b, our_hdr + kShSize, ~uint64_t{0}); }, Status::kCorrupt},
      {"NOBITS section is absent", [&](auto& b) { put<uint32_t>(b, our_hdr + kShType, 8); }, Status::kAbsent},
      {"no section table", [](auto& b) { put<uint64_t>(b, kShoff, 0); }, Status::kAbsent},
      {"count in section 0", [&](auto& b) {
         put<uint64_t>(b, sectionHeader(b, 0) + kShSize, get<uint16_t>(b, kShnum));
         put<uint16_t>(b, kShnum, 0);
       }, Status::kFound},
      {"name table index in section 0", [&](auto& b) {
         put<uint32_t>(b, sectionHeader(b, 0) + kShLink, shstrndx);
         put<uint16_t>(b, kShstrndx, 0xFFFF);
       }, Status::kFound},
      {"extended name table index out of range", [&](auto& b) {
         put<uint32_t>(b, sectionHeader(b, 0) + kShLink, 0xFFFFFFF0u);
         put<uint16_t>(b, kShstrndx, 0xFFFF);
       }, Status::kCorrupt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> b = patched_;
    c.damage(b);
    ElfSection s = readElfSection(b, kPatchSectionName);
    EXPECT_EQ(s.status, c.expected) << s.error;
    if (s.status == Status::kFound) {
      EXPECT_EQ(s.bytes, fileBytes(KV_TEST_PATCH_BLOB));
    }
  }
}

TEST_F(PatchSource, EveryTruncationOfTheModuleFails) {
  const std::vector<uint8_t> blob = fileBytes(KV_TEST_PATCH_BLOB);
  for (size_t n = 0; n < patched_.size(); ++n) {
    ElfSection s = readElfSection(std::span<const uint8_t>(patched_.data(), n), kPatchSectionName);
    // The section table sits at the end of the file: every cut loses part of it.
    ASSERT_NE(s.status, Status::kFound) << "length " << n;
  }
}

TEST(ModulePath, OwnPathIsTheResolvedModuleFile) {
  EXPECT_EQ(ownModulePath(), fs::canonical("/proc/self/exe").string());
  EXPECT_EQ(std::string(kv_tiny_module_path()), fs::canonical(KV_TEST_TINY_MODULE).string());
}

TEST(ModulePath, DataFileReplacesTheExtensionOfTheFileName) {
  const struct {
    const char* module;
    const char* data;
    const char* title;
  } cases[] = {
      {"/usr/lib/vst/libfoo.so", "/usr/lib/vst/libfoo.dat", "libfoo"},
      {"/home/u/.vst/plug", "/home/u/.vst/plug.dat", "plug"},
      {"/a.b/c", "/a.b/c.dat", "c"},
      {"/x/lib.synth.so", "/x/lib.synth.dat", "lib.synth"},
      {"/x/.hidden", "/x/.hidden.dat", ".hidden"},
      {"plug.so", "plug.dat", "plug"},
      {"plug", "plug.dat", "plug"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(dataFilePathFor(c.module), c.data) << c.module;
    EXPECT_EQ(fileTitleOf(c.data), c.title) << c.data;
  }
}

}  // namespace
}  // namespace kv
