#include "tests/support/offline_render.h"

#include <algorithm>

#include "document/model/document.h"

namespace kv::test {

OfflineRender::OfflineRender(std::unique_ptr<Document> doc, float sample_rate, int host_block_size,
                             int inputs, int outputs)
    : app_(std::make_unique<CKorvaneAppVST>()), inputs_(inputs), outputs_(outputs) {
  messages_.setLogToStderr(false);
  app_->AdoptDocument(std::move(doc));
  app_->InitInstanceFrom("/nonexistent/korvane-test.so");
  app_->WireHostIo();
  app_->SetSampleRate(sample_rate);
  app_->SetBlockSize(host_block_size);
  started_ = app_->StartEngineVst(app_->GetPatchRoot());
}

OfflineRender::~OfflineRender() { app_.reset(); }

std::vector<std::vector<float>> OfflineRender::Render(int64_t total, const std::vector<int>& call_lengths,
                                                      const std::vector<TimedMidi>& midi,
                                                      const std::vector<std::vector<float>>& input,
                                                      bool replacing) {
  std::vector<std::vector<float>> out(outputs_, std::vector<float>(total, 0.0f));
  std::vector<std::vector<float>> in(inputs_);
  for (int c = 0; c < inputs_; ++c) {
    in[c].assign(total, 0.0f);
    if (c < static_cast<int>(input.size()))
      std::copy_n(input[c].begin(), std::min<std::size_t>(input[c].size(), total), in[c].begin());
  }
  std::vector<const float*> in_ptr(inputs_);
  std::vector<float*> out_ptr(outputs_);
  std::vector<MidiEvent> events;
  std::size_t next_midi = 0, call = 0;
  int64_t done = 0;
  while (done < total) {
    const int n = static_cast<int>(std::min<int64_t>(call_lengths[call++ % call_lengths.size()], total - done));
    for (int c = 0; c < inputs_; ++c) in_ptr[c] = in[c].data() + done;
    for (int c = 0; c < outputs_; ++c) out_ptr[c] = out[c].data() + done;
    events.clear();
    const int64_t start = position_;
    while (next_midi < midi.size() && midi[next_midi].time < start + n) {
      const TimedMidi& m = midi[next_midi++];
      events.push_back({m.time - start, 0, MidiEvent::Pack(m.status, m.data1, m.data2)});
    }
    app_->ProcessHostCall(in_ptr.data(), inputs_, out_ptr.data(), outputs_, n, replacing, events);
    done += n;
    position_ += n;
  }
  return out;
}

std::vector<int> RandomCallLengths(uint32_t seed, int count, int max_length) {
  std::vector<int> lengths;
  uint32_t x = seed ? seed : 1;
  for (int i = 0; i < count; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    lengths.push_back(1 + static_cast<int>(x % static_cast<uint32_t>(max_length)));
  }
  return lengths;
}

}  // namespace kv::test
