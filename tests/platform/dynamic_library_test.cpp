// Loading a library file: a bare file name is the file in the current directory, not a
// name the loader looks up in the system's library folders.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/dynamic_library.h"

namespace kv {
namespace {

TEST(DynamicLibrary, BareFileNameMeansTheCurrentDirectory) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "kv_dynamic_library_test";
  fs::create_directories(dir);
  fs::copy_file(KV_TEST_TINY_MODULE, dir / "tiny-plugin.so", fs::copy_options::overwrite_existing);
  const fs::path before = fs::current_path();
  fs::current_path(dir);

  DynamicLibrary lib;
  std::string error;
  const bool opened = lib.open("tiny-plugin.so", error);
  const bool found = opened && lib.symbol("kv_tiny_module_path") != nullptr;
  lib.close();
  std::string missing;
  const bool openedMissing = lib.open("no-such-plugin.so", missing);
  fs::current_path(before);
  fs::remove_all(dir);

  EXPECT_TRUE(opened) << error;
  EXPECT_TRUE(found);
  EXPECT_FALSE(openedMissing);
  EXPECT_NE(missing.find("no-such-plugin.so"), std::string::npos) << missing;
}

}  // namespace
}  // namespace kv
