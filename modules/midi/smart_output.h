#pragma once
// smart_output: a voltage output that moves to new values in straight glides.
//
// Set(time, v): with a glide length n > 0 in mode 1 the output moves from its current
// value by (v - current) / n per sample for n samples (the n-th sample is exactly v),
// streaming (ST_RUN from `time`); then it holds v and transmits ST_STOP at the first
// held sample. In mode 0, or with n = 0, the value jumps and the output transmits a
// one-off. A value equal to the current one changes nothing.
//
// The owner calls Write for every stretch of samples it processes; after the last change
// the constant is written for one full block, so the output block reads right at every
// position, and then Write reports the output idle so the owner may sleep.
#include "engine/plug.h"

namespace kv {

class smart_output {
 public:
  enum Mode { kJump = 0, kLinear = 1 };

  // Open time: the plug (its block must exist) and the glide.
  void Setup(UPlug* plug, int block_size, int glide_samples, Mode mode);
  void Set(sample_clock time, float v) { Ramp(time, v, mode_ == kLinear ? glide_ : 0); }
  void Ramp(sample_clock time, float v, int length);
  // Writes samples [offset, offset + count) of the block; `start` is the clock of `offset`.
  // Answers true while the output still needs writing.
  bool Write(int offset, int count, sample_clock start);
  // Restarts a running fill at a full block (after a suspension).
  void Resume() {
    if (fill_ > 0) fill_ = block_size_;
  }

  float value() const { return value_; }
  bool ramping() const { return left_ > 0; }
  bool busy() const { return left_ > 0 || fill_ > 0; }
  UPlug* plug() const { return plug_; }

 private:
  UPlug* plug_ = nullptr;
  float* out_ = nullptr;
  float value_ = 0.0f;
  float target_ = 0.0f;
  float step_ = 0.0f;
  int left_ = 0;  // samples of the glide still to write
  int fill_ = 0;  // samples of the constant still to write
  int glide_ = 0;
  int block_size_ = 1;
  Mode mode_ = kLinear;
};

}  // namespace kv
