#include "modules/controls/level_out.h"

#include <cmath>

#include "engine/number_text.h"
#include "engine/audio_master.h"

namespace kv {

ug_param_float_out::ug_param_float_out() {
  flags |= UGF_DISPLAY_ONLY | UGF_NEVER_VOICE;
  SetProcessFunction(&ug_param_float_out::sub_process_sleep);
}

void ug_param_float_out::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(
      VoltsIn(&in, "Signal in").Default("0").Flags(kDeclNotVoiceSensitive).Help("Input signal"));
  list.push_back(MidiIn(&midi_in, "MIDI In"));
  list.push_back(MidiOut(&midi_out, "MIDI Out"));
  list.push_back(EnumParameter(&response, "Response", "VU,PPM,Peak,HeadRoom, DC (Fast), DC Average")
                     .Default("4"));
  list.push_back(
      EnumParameter(&update_rate, "Update Rate", "1 Hz=1,5 Hz=5,10 Hz=10,20 Hz=20,40 Hz=40")
          .Default("10"));
}

int ug_param_float_out::Interval() const {
  const double n = SampleRate() / (static_cast<double>(update_rate) + 0.03);
  return n < 1.0 ? 1 : (n > 1e9 ? 1000000000 : static_cast<int>(n));
}

void ug_param_float_out::Open() {
  ug_base::Open();
  const double sr = SampleRate();
  smooth_ = static_cast<float>(std::exp(-2.0 * 3.141592653589793 * 100.0 / sr));
  switch (response) {
    case kVu: rise_ = fall_ = static_cast<float>(std::exp(-1.0 / (0.1 * sr))); break;
    case kPpm:
      rise_ = static_cast<float>(std::exp(-1.0 / (0.017 * sr)));
      fall_ = static_cast<float>(std::exp(-1.0 / (0.65 * sr)));
      break;
    case kPeak:
    case kHeadRoom: rise_ = 0.0f; fall_ = static_cast<float>(std::exp(-1.0 / (0.03 * sr))); break;
    default: rise_ = fall_ = static_cast<float>(std::exp(-1.0 / (0.65 * sr))); break;
  }
}

void ug_param_float_out::OnPlugStateChange(sample_clock time, Connection* c, state_type state) {
  input_state_ = state;
  SetProcessFunction(&ug_param_float_out::sub_process);
  if (!reporting_) {
    reporting_ = true;
    PostRunFunction(time, &ug_param_float_out::Report);
  }
}

void ug_param_float_out::sub_process(int offset, int count) {
  const float* x = in + offset;
  constexpr float kGuard = 1e-18f;
  float y = y_, p = power_;
  switch (response) {
    case kVu:
    case kPpm:
      for (int i = 0; i < count; ++i) {
        const float sq = x[i] * x[i];
        p = sq + (p - sq) * smooth_ + kGuard - kGuard;
        const float r = std::sqrt(p);
        y = r + (y - r) * (r > y ? rise_ : fall_) + kGuard - kGuard;
      }
      break;
    case kPeak:
    case kHeadRoom:
      for (int i = 0; i < count; ++i) {
        const float r = std::fabs(x[i]);
        y = r > y ? r : r + (y - r) * fall_ + kGuard - kGuard;
      }
      break;
    case kDcAverage:
      for (int i = 0; i < count; ++i) y = x[i] + (y - x[i]) * fall_ + kGuard - kGuard;
      break;
    default:
      break;
  }
  y_ = y;
  power_ = p;
  if (count > 0) last_ = x[count - 1];
}

void ug_param_float_out::Report() {
  float level;
  switch (response) {
    case kHeadRoom: level = 1.0f - y_; break;
    case kDcFast: {
      const sample_clock pos = clock - master->block_start();
      level = in ? in[pos < 0 ? 0 : (pos >= BlockSize() ? BlockSize() - 1 : pos)] : 0.0f;
      break;
    }
    default: level = y_; break;
  }
  if (std::fabs(level - reported()) >= 1e-8f) {
    reported_.store(level, std::memory_order_relaxed);
    RequestDocumentRefresh();
  }
  if (input_state_ == ST_RUN) {
    PostRunFunction(clock + Interval(), &ug_param_float_out::Report);
  } else {
    reporting_ = false;
    SetProcessFunction(&ug_param_float_out::sub_process_sleep);
  }
}

std::string ug_param_float_out::ValueTextForDocument() const { return formatFixed(reported(), 9); }

}  // namespace kv
