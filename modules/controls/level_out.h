#pragma once
// "Patch Parameter - Level Out" (ug_param_float_out): follows the level of its input and
// reports it to its document object, which shows it (and tells the host).
//
// Followers by "Response": VU and PPM smooth the squared input (one pole, e^(-2 pi 100/sr))
// and follow its root with rise and fall coefficients (VU 0.1 s both ways; PPM 17 ms rise,
// 650 ms fall); Peak and HeadRoom follow the rectified input with instant rise and a 30 ms
// fall; DC (Fast) takes the input sample; DC Average a 650 ms one-pole average. Every
// sr / (Update Rate + 0.03) samples the level (HeadRoom: 1 - level) is reported when it moved
// by 1e-8 or more. Once the input stops streaming the module reports once more and sleeps.
#include <atomic>

#include "engine/control_link.h"
#include "engine/midi_transport.h"
#include "engine/ug_base.h"

namespace kv {

class ug_param_float_out : public ug_base, public ControlValueLink {
 public:
  enum PlugIndex { kSignalIn, kMidiIn, kMidiOut, kResponse, kUpdateRate };
  enum Response { kVu, kPpm, kPeak, kHeadRoom, kDcFast, kDcAverage };

  ug_param_float_out();
  ug_base* CreateObject() override { return new ug_param_float_out; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;

  // ControlValueLink: the document reads the reported level.
  void AttachValues(const StoredValueMirror*, int) override {}
  bool OnControllerValue(float) override { return false; }
  std::string ValueTextForDocument() const override;

  float reported() const { return reported_.load(std::memory_order_relaxed); }
  float follower() const { return y_; }

  float* in = nullptr;
  MidiInput midi_in;
  MidiOutput midi_out;
  int16_t response = kDcFast;
  int16_t update_rate = 10;

 private:
  void sub_process(int offset, int count);
  void Report();
  int Interval() const;

  std::atomic<float> reported_{0.0f};
  float y_ = 0.0f;      // follower output
  float power_ = 0.0f;  // smoothed square (VU, PPM)
  float last_ = 0.0f;   // the latest input sample
  float smooth_ = 0.0f, rise_ = 0.0f, fall_ = 0.0f;
  state_type input_state_ = ST_STOP;
  bool reporting_ = false;
};

}  // namespace kv
