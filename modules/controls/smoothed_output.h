#pragma once
// SmoothedOutput: a voltage output that moves to new values along a short segment instead of
// jumping, so that control changes do not click.
//
// Ramp(time, target, length): nothing when the target equals where the output is heading.
// With length 0 or the jump shape the value jumps and the plug transmits ST_ONE_OFF at the
// time. Otherwise a segment of the shape starts at the time (the plug transmits ST_RUN) and
// reaches the target exactly on its last sample, where the plug transmits ST_STOP. After a
// jump or a segment the constant is written for one full block (the fill countdown) so that
// the output block reads correctly at every offset once the module sleeps.
//
// Run writes the segment or the constant over the run and answers true once nothing is left
// to write (the module may then sleep). Ramp must be called at the owner's clock (from event
// handling or Open): the segment starts at the next sample the owner processes.
#include <cstdint>

#include "engine/types.h"

namespace kv {

class ug_base;
class UPlug;

class SmoothedOutput {
 public:
  enum Shape { kJump = 0, kLine = 1, kCurve = 2 };

  void Init(ug_base* owner, UPlug* plug, float* const* samples, int default_length, Shape shape);
  void Ramp(sample_clock time, float target, int length);
  void Set(sample_clock time, float value) { Ramp(time, value, default_length_); }
  // Starts the output at a value: it jumps there and transmits ST_ONE_OFF even when the
  // value is unchanged (opening).
  void Start(sample_clock time, float value);
  bool Run(int offset, int count);
  // A running fill countdown restarts at a full block (after a voice resumes).
  void Resume();

  float value() const { return value_; }
  float target() const { return target_; }
  bool ramping() const { return remaining_ > 0; }
  void set_default_length(int n) { default_length_ = n; }
  int default_length() const { return default_length_; }

 private:
  ug_base* owner_ = nullptr;
  UPlug* plug_ = nullptr;
  float* const* samples_ = nullptr;
  int default_length_ = 0;
  Shape shape_ = kLine;
  float value_ = 0.0f;
  float target_ = 0.0f;
  float start_ = 0.0f;
  int length_ = 0;
  int remaining_ = 0;
  int fill_ = 0;
};

}  // namespace kv
