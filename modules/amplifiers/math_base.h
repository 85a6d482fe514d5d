#pragma once
// ug_math_base: a module with two audio inputs and one output whose process function
// depends on which inputs stream. A derived class supplies three renderers:
//   RenderBoth        both inputs streaming (also used for one sample of a static result)
//   RenderIn2Static   Input 1 streaming, Input 2 static
//   RenderIn1Static   Input 1 static, Input 2 streaming
// The choice, on every change of an input:
//   1. output state d = the larger of the two input states;
//   2. with the zero rule (a static zero input forces a zero output): a static Input 1 of
//      0 makes d static; a static Input 2 of 0 makes the output static at once;
//   3. d streaming: the renderer for the inputs that stream;
//   4. d static: one output sample, repeated for a full block, then sleep.
// The renderer is called once per run through a member pointer, never per sample.
#include <vector>

#include "engine/ug_base.h"

namespace kv {

class ug_math_base : public ug_base {
 public:
  enum PlugIndex { kInput1, kInput2, kOutput };

  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;
  // Voice-dependent only when both inputs carry voice signals.
  bool IsVoiceInputActive() override;

  float* in1 = nullptr;
  float* in2 = nullptr;
  float* out = nullptr;

 protected:
  explicit ug_math_base(bool zero_rule) : zero_rule_(zero_rule) {}
  virtual void RenderBoth(int offset, int count) = 0;
  virtual void RenderIn2Static(int offset, int count) = 0;
  virtual void RenderIn1Static(int offset, int count) = 0;

 private:
  void sub_process_both(int offset, int count) { RenderBoth(offset, count); }
  void sub_process_in2_static(int offset, int count) { RenderIn2Static(offset, count); }
  void sub_process_in1_static(int offset, int count) { RenderIn1Static(offset, count); }
  void Choose(sample_clock time);

  const bool zero_rule_;
};

}  // namespace kv
