// A one-line progress bar on standard error, redrawn in place with a carriage return.
// Draws nothing unless enabled (the tool enables it only when standard error is a
// terminal, so logs and pipes stay clean).
#pragma once

#include <cstdint>

namespace kv {

class ProgressBar {
 public:
  ProgressBar(bool enabled, int64_t total);
  void update(int64_t done);
  void finish();

 private:
  bool enabled_;
  int64_t total_;
  int lastPermille_ = -1;
};

}  // namespace kv
