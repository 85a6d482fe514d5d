#include "modules/controls/smoothed_output.h"

#include "engine/plug.h"
#include "engine/ug_base.h"

namespace kv {

void SmoothedOutput::Init(ug_base* owner, UPlug* plug, float* const* samples, int default_length,
                          Shape shape) {
  owner_ = owner;
  plug_ = plug;
  samples_ = samples;
  default_length_ = default_length;
  shape_ = shape;
  remaining_ = 0;
  fill_ = 0;
}

void SmoothedOutput::Ramp(sample_clock time, float target, int length) {
  if (target == target_) return;
  target_ = target;
  if (length <= 0 || shape_ == kJump) {
    value_ = target;
    remaining_ = 0;
    if (plug_) plug_->TransmitState(time, ST_ONE_OFF);
  } else {
    start_ = value_;
    length_ = length;
    remaining_ = length;
    if (plug_) plug_->TransmitState(time, ST_RUN);
  }
  fill_ = owner_ ? owner_->BlockSize() : 0;
}

void SmoothedOutput::Start(sample_clock time, float value) {
  value_ = target_ = value;
  remaining_ = 0;
  if (plug_) plug_->TransmitState(time, ST_ONE_OFF);
  fill_ = owner_ ? owner_->BlockSize() : 0;
}

bool SmoothedOutput::Run(int offset, int count) {
  float* out = *samples_ + offset;
  int i = 0;
  if (remaining_ > 0) {
    const float delta = target_ - start_;
    const float inv = 1.0f / static_cast<float>(length_);
    const int n = count < remaining_ ? count : remaining_;
    for (; i < n; ++i) {
      const int done = length_ - remaining_ + 1;
      float t = static_cast<float>(done) * inv;
      if (shape_ == kCurve) t = t * t * (3.0f - 2.0f * t);
      value_ = done == length_ ? target_ : start_ + delta * t;
      out[i] = value_;
      --remaining_;
    }
    if (remaining_ == 0) {
      if (plug_) plug_->TransmitState(owner_->clock + i - 1, ST_STOP);
      fill_ = owner_->BlockSize();
    }
  }
  const int segment = i;
  const float v = value_;
  for (; i < count; ++i) out[i] = v;
  if (remaining_ == 0) fill_ -= count - segment;
  return remaining_ == 0 && fill_ <= 0;
}

void SmoothedOutput::Resume() {
  if (fill_ > 0 && owner_) fill_ = owner_->BlockSize();
}

}  // namespace kv
