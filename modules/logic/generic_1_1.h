#pragma once
// ug_generic_1_1: a module with one input and one output whose output sample follows from
// the input sample alone. A member supplies the renderer (input samples to output samples
// over one run). The output carries the input's stream state: a streaming input installs
// the renderer; a static one has one sample computed and held for a block, then the
// module sleeps until the input changes again.
//
// Members here: "Rectifier" (|in|), "Inverter" (-in), "Floor" and "Ceil" (rounded down or
// up to a whole volt), "Denormal Cleaner" (denormal samples become 0) and "Denormal
// Detector" (50 V while the input sample is denormal). "NOT Gate" (logic_gates.h) is one
// too.
#include <vector>

#include "engine/ug_base.h"

namespace kv {

class ug_generic_1_1 : public ug_base {
 public:
  enum PlugIndex { kInput, kOutput };

  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;

  float* in = nullptr;
  float* out = nullptr;

 protected:
  // Writes `count` output samples from as many input samples; `clock` is the time of
  // in[0].
  virtual void Render(const float* input, float* output, int count) = 0;
  // Chooses the process function for the input's new stream state and tells the output.
  virtual void OnInputState(sample_clock time, state_type state);

  void sub_process(int offset, int count) { Render(in + offset, out + offset, count); }
};

class ug_rectifier : public ug_generic_1_1 {
 public:
  ug_base* CreateObject() override { return new ug_rectifier; }

 protected:
  void Render(const float* input, float* output, int count) override;
};

class ug_inverter : public ug_generic_1_1 {
 public:
  ug_base* CreateObject() override { return new ug_inverter; }

 protected:
  void Render(const float* input, float* output, int count) override;
};

// Rounding to whole volts in single precision: the sample times 10 is rounded to an
// integer and divided by 10, so that every whole-volt sample maps to itself exactly.
class ug_math_floor : public ug_generic_1_1 {
 public:
  ug_base* CreateObject() override { return new ug_math_floor; }

 protected:
  void Render(const float* input, float* output, int count) override;
};

class ug_math_ceil : public ug_generic_1_1 {
 public:
  ug_base* CreateObject() override { return new ug_math_ceil; }

 protected:
  void Render(const float* input, float* output, int count) override;
};

// A denormal sample: single-precision exponent field zero with a non-zero fraction.
bool IsDenormalSample(float x);

class ug_denormal_stop : public ug_generic_1_1 {
 public:
  ug_base* CreateObject() override { return new ug_denormal_stop; }

 protected:
  void Render(const float* input, float* output, int count) override;
};

class ug_denormal_detect : public ug_generic_1_1 {
 public:
  ug_base* CreateObject() override { return new ug_denormal_detect; }

 protected:
  void Render(const float* input, float* output, int count) override;
};

}  // namespace kv
