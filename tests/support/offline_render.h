#pragma once
// An offline host: plays a patch document through the plug-in's application object with
// any sequence of host call lengths, as a host would (one thread, process calls only).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/korvane_app_vst.h"
#include "platform/message_service.h"

namespace kv::test {

struct TimedMidi {
  int64_t time;  // absolute sample
  uint8_t status, data1, data2;
};

class OfflineRender {
 public:
  // Takes the document; the application wires the host modules and starts the engine.
  OfflineRender(std::unique_ptr<Document> doc, float sample_rate, int host_block_size,
                int inputs = 2, int outputs = 2);
  ~OfflineRender();
  bool started() const { return started_; }
  CKorvaneAppVST& app() { return *app_; }
  MessageService& messages() { return messages_; }

  // Renders `total` samples cut into host calls of the given lengths (repeated cyclically).
  // `input` gives each input channel's samples (missing samples are 0). Answers one
  // buffer per output channel.
  std::vector<std::vector<float>> Render(int64_t total, const std::vector<int>& call_lengths,
                                         const std::vector<TimedMidi>& midi = {},
                                         const std::vector<std::vector<float>>& input = {},
                                         bool replacing = true);
  int64_t position() const { return position_; }

 private:
  MessageService messages_;
  MessageServiceScope scope_{messages_};
  std::unique_ptr<CKorvaneAppVST> app_;
  int inputs_, outputs_;
  bool started_ = false;
  int64_t position_ = 0;
};

// A plug-in object for application tests: runs `apply` where the plug-in would hand host
// parameter values to the engine; the host gives no transport.
class HostParameterProbe : public KvVstPlugin {
 public:
  explicit HostParameterProbe(std::function<void()> apply) : apply_(std::move(apply)) {}
  void ApplyHostParameters() override {
    if (apply_) apply_();
  }
  const TimeInfo* HostTimeInfo(int32_t) override { return nullptr; }

 private:
  std::function<void()> apply_;
};

// Host call lengths from a seed: 1..max, deterministic.
std::vector<int> RandomCallLengths(uint32_t seed, int count, int max_length);

}  // namespace kv::test
