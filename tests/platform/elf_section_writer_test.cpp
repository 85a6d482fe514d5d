// Adding the patch section to a shared library: the section reads back, every section the
// library had still reads the same, the library still loads and runs, and files that cannot
// take a section are refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/dynamic_library.h"
#include "platform/elf_section_reader.h"
#include "platform/elf_section_writer.h"

namespace kv {
namespace {

std::vector<uint8_t> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(ElfSectionWriter, AddedSectionReadsBackAndTheLibraryStillLoads) {
  const std::vector<uint8_t> image = readAll(KV_TEST_TINY_MODULE);
  ASSERT_FALSE(image.empty());
  const std::vector<uint8_t> contents = {1, 2, 3, 4, 5, 6, 7};
  ElfSectionAdded added = addElfSection(image, ".kv1.165", contents);
  ASSERT_TRUE(added.ok) << added.error;

  ElfSection back = readElfSection(added.image, ".kv1.165");
  ASSERT_EQ(back.status, ElfSection::Status::kFound) << back.error;
  EXPECT_EQ(back.bytes, contents);
  for (const char* name : {".text", ".dynsym", ".dynamic", ".rodata"}) {
    ElfSection before = readElfSection(image, name), after = readElfSection(added.image, name);
    ASSERT_EQ(before.status, after.status) << name;
    EXPECT_EQ(before.bytes, after.bytes) << name;
  }
  // A second section of the same name is refused.
  EXPECT_FALSE(addElfSection(added.image, ".kv1.165", contents).ok);

  const auto path = std::filesystem::temp_directory_path() / "kv_elf_writer_test.so";
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(added.image.data()), static_cast<std::streamsize>(added.image.size()));
  }
  DynamicLibrary lib;
  std::string error;
  ASSERT_TRUE(lib.open(path.string(), error)) << error;
  using PathFn = const char* (*)();
  auto fn = reinterpret_cast<PathFn>(lib.symbol("kv_tiny_module_path"));
  ASSERT_NE(fn, nullptr);
  EXPECT_EQ(std::filesystem::path(fn()).filename(), path.filename());
  lib.close();
  std::filesystem::remove(path);
}

TEST(ElfSectionWriter, RefusesWhatIsNotAWholeElfFile) {
  const std::vector<uint8_t> image = readAll(KV_TEST_TINY_MODULE);
  const std::vector<uint8_t> contents = {9};
  const std::vector<uint8_t> truncated(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(image.size() - 100));
  const std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
  for (const auto* bad : {&truncated, &text}) {
    ElfSectionAdded r = addElfSection(*bad, ".kv1.165", contents);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
  }
  EXPECT_FALSE(addElfSection(image, "", contents).ok);
}

}  // namespace
}  // namespace kv
