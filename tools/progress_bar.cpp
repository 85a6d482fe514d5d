#include "tools/progress_bar.h"

#include <cstdio>

namespace kv {

namespace {
constexpr int kWidth = 40;
}

ProgressBar::ProgressBar(bool enabled, int64_t total) : enabled_(enabled && total > 0), total_(total) {}

void ProgressBar::update(int64_t done) {
  if (!enabled_) return;
  const int permille = static_cast<int>(done >= total_ ? 1000 : done * 1000 / total_);
  if (permille == lastPermille_) return;  // redraw only when the figure changes
  lastPermille_ = permille;
  char bar[kWidth + 1];
  const int filled = permille * kWidth / 1000;
  for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '-';
  bar[kWidth] = '\0';
  std::fprintf(stderr, "\r[%s] %3d.%d%%", bar, permille / 10, permille % 10);
  std::fflush(stderr);
}

void ProgressBar::finish() {
  if (!enabled_) return;
  update(total_);
  std::fputc('\n', stderr);
}

}  // namespace kv
