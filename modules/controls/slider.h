#pragma once
// "Slider" (ug_slider) and "Patch Parameter - Voltage" (ug_param_float_in): a stored value
// in volts between "Lo Value" and "Hi Value", output as a voltage. The value is held in
// sample units (volts x 0.1). Changes ramp along a straight line over sample rate / 32
// samples (4 samples for the button appearances) when smoothing, else the output jumps.
#include <atomic>

#include "modules/controls/smoothed_output.h"
#include "modules/controls/ug_control.h"

namespace kv {

class ug_slider : public ug_control {
 public:
  enum PlugIndex { kSignalOut = 6, kLoValue, kHiValue, kAppearance, kShowReadout, kShowTitle };

  ug_base* CreateObject() override { return new ug_slider; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void Resume() override;

  void RecallValue(int patch, bool smooth) override;
  bool OnControllerValue(float normalised) override;
  std::string GetValueText() const override;
  float GetNormalised() const override;

  // The value in sample units.
  float value() const { return value_.load(std::memory_order_relaxed); }

  float* out = nullptr;
  float lo_value = 0.0f;
  float hi_value = 10.0f;
  int16_t appearance = 1;
  uint8_t show_readout = 1;
  uint8_t show_title = 1;

 protected:
  virtual float Lo() const { return lo_value; }
  virtual float Hi() const { return hi_value; }
  virtual int OutputPlug() const { return kSignalOut; }
  virtual int SmoothLength() const;
  void ApplyValue(float value, bool smooth) override;
  void sub_process(int offset, int count);

  std::atomic<float> value_{0.0f};
  SmoothedOutput output_;
};

class ug_param_float_in : public ug_slider {
 public:
  enum PlugIndex { kSignalOut, kMidiIn, kMidiOut };

  ug_base* CreateObject() override { return new ug_param_float_in; }
  void ListInterface(std::vector<InterfaceObject>& list) override;

 protected:
  float Lo() const override { return 0.0f; }
  float Hi() const override { return 10.0f; }
  int OutputPlug() const override { return kSignalOut; }
  int SmoothLength() const override;
};

}  // namespace kv
