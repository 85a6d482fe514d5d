#include "tests/platform/snapshot/snapshot.h"

#include <cstdlib>
#include <filesystem>

#include "platform/image/png_codec.h"

namespace kv::test {

namespace fs = std::filesystem;

std::string source_root() {
  if (const char* s = std::getenv("KORVANE_SOURCE_DIR"); s && *s) return s;
  return KV_SNAPSHOT_SOURCE_DIR;
}

std::string build_root() {
  if (const char* s = std::getenv("KORVANE_BUILD_DIR"); s && *s) return s;
  return KV_SNAPSHOT_BUILD_DIR;
}

namespace {

bool updating() {
  const char* s = std::getenv("KORVANE_UPDATE_SNAPSHOTS");
  return s && *s && std::string(s) != "0";
}

gfx::Bitmap normalised(const gfx::Bitmap& b, bool alpha) {
  gfx::Bitmap out = b;
  if (!alpha) gfx::set_alpha(out, 0xFF);
  return out;
}

}  // namespace

::testing::AssertionResult matches_snapshot(const gfx::Bitmap& image, const std::string& stored_path,
                                            const SnapshotOptions& options) {
  const fs::path stored = fs::path(source_root()) / stored_path;
  const gfx::Bitmap actual = normalised(image, options.alpha);
  const auto channels = options.alpha ? gfx::PngChannels::rgba : gfx::PngChannels::rgb;
  std::string error;

  if (updating()) {
    gfx::Bitmap old;
    if (fs::exists(stored) && gfx::read_png_file(stored.string(), old, error) && normalised(old, options.alpha) == actual)
      return ::testing::AssertionSuccess();
    fs::create_directories(stored.parent_path());
    if (!gfx::write_png_file(stored.string(), actual, channels, error))
      return ::testing::AssertionFailure() << "cannot update snapshot: " << error;
    std::fprintf(stderr, "snapshot updated: %s\n", stored.string().c_str());
    return ::testing::AssertionSuccess();
  }

  std::string stem = stored_path;
  for (char& c : stem)
    if (c == '/' || c == '\\') c = '_';
  if (stem.size() > 4 && stem.substr(stem.size() - 4) == ".png") stem.resize(stem.size() - 4);
  const fs::path fail_dir = fs::path(build_root()) / "snapshot-failures";
  const fs::path actual_path = fail_dir / (stem + ".actual.png");
  const fs::path diff_path = fail_dir / (stem + ".diff.png");
  auto write_actual = [&] {
    std::error_code ec;
    fs::create_directories(fail_dir, ec);
    std::string e;
    gfx::write_png_file(actual_path.string(), actual, channels, e);
  };

  gfx::Bitmap expected_raw;
  if (!fs::exists(stored)) {
    write_actual();
    return ::testing::AssertionFailure()
           << "no stored snapshot " << stored.string() << " (actual written to " << actual_path.string()
           << "; run with KORVANE_UPDATE_SNAPSHOTS=1 to store it)";
  }
  if (!gfx::read_png_file(stored.string(), expected_raw, error))
    return ::testing::AssertionFailure() << "cannot read snapshot " << stored.string() << ": " << error;
  const gfx::Bitmap expected = normalised(expected_raw, options.alpha);

  if (expected.size() != actual.size()) {
    write_actual();
    return ::testing::AssertionFailure() << "snapshot " << stored_path << ": size " << actual.width() << "x"
                                         << actual.height() << " differs from stored " << expected.width() << "x"
                                         << expected.height() << " (actual: " << actual_path.string() << ")";
  }
  int64_t differing = 0;
  int worst = 0;
  gfx::Bitmap diff(actual.width(), actual.height());
  for (int32_t y = 0; y < actual.height(); ++y)
    for (int32_t x = 0; x < actual.width(); ++x) {
      uint32_t a = actual.row(y)[x], e = expected.row(y)[x];
      int d = 0;
      for (int sh = 0; sh < 32; sh += 8) d = std::max(d, std::abs(int((a >> sh) & 0xFF) - int((e >> sh) & 0xFF)));
      worst = std::max(worst, d);
      if (d > options.tolerance) {
        ++differing;
        diff.row(y)[x] = 0xFFFF0000u;
      } else {
        // Faded expected pixel: a quarter of its brightness over white.
        uint32_t out = 0xFF000000u;
        for (int sh = 0; sh < 24; sh += 8) out |= (191 + ((e >> sh) & 0xFF) / 4) << sh;
        diff.row(y)[x] = out;
      }
    }
  if (differing <= options.max_differing) return ::testing::AssertionSuccess();
  write_actual();
  std::string e;
  gfx::write_png_file(diff_path.string(), diff, gfx::PngChannels::rgb, e);
  return ::testing::AssertionFailure() << "snapshot " << stored_path << ": " << differing
                                       << " pixels differ (largest channel difference " << worst << ", tolerance "
                                       << options.tolerance << "); actual: " << actual_path.string()
                                       << ", diff: " << diff_path.string()
                                       << "; KORVANE_UPDATE_SNAPSHOTS=1 refreshes stored images";
}

}  // namespace kv::test
