#include "modules/midi/smart_output.h"

#include <algorithm>

namespace kv {

void smart_output::Setup(UPlug* plug, int block_size, int glide_samples, Mode mode) {
  plug_ = plug;
  out_ = plug->samples();
  block_size_ = std::max(block_size, 1);
  glide_ = std::max(glide_samples, 0);
  mode_ = mode;
  left_ = 0;
  fill_ = block_size_;
}

void smart_output::Ramp(sample_clock time, float v, int length) {
  if (v == value_ && left_ == 0) return;
  if (length <= 0) {
    value_ = target_ = v;
    left_ = 0;
    fill_ = block_size_;
    plug_->TransmitState(time, ST_ONE_OFF);
    return;
  }
  if (v == target_ && left_ > 0) return;  // already gliding there
  target_ = v;
  step_ = (v - value_) / static_cast<float>(length);
  left_ = length;
  plug_->TransmitState(time, ST_RUN);
}

bool smart_output::Write(int offset, int count, sample_clock start) {
  float* o = out_ + offset;
  int i = 0;
  if (left_ > 0) {
    const int n = std::min(count, left_);
    for (; i < n; ++i) {
      value_ += step_;
      o[i] = value_;
    }
    left_ -= n;
    if (left_ == 0) {
      value_ = target_;
      o[n - 1] = value_;
      fill_ = block_size_;
      plug_->TransmitState(start + n, ST_STOP);
    }
  }
  if (i < count && fill_ > 0) {
    const int n = std::min(count - i, fill_);
    std::fill_n(o + i, n, value_);
    fill_ -= n;
  }
  return busy();
}

}  // namespace kv
