// A host callback for tests: records every call the plug-in makes and answers from a
// table (0 for opcodes without an entry). One RecordingHost is current at a time; the
// callback is a plain function pointer, as a host's is. The plug-in may call it from its
// audio and user-interface threads at once: recording is locked.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "platform/vst/aeffect.h"

namespace kv::test {

struct HostCall {
  vst::AEffect* effect;
  int32_t opcode;
  int32_t index;
  intptr_t value;
  void* ptr;
  float opt;
};

class RecordingHost {
 public:
  RecordingHost() { current() = this; }
  ~RecordingHost() { current() = nullptr; }
  RecordingHost(const RecordingHost&) = delete;
  RecordingHost& operator=(const RecordingHost&) = delete;

  static intptr_t callback(vst::AEffect* effect, int32_t opcode, int32_t index,
                           intptr_t value, void* ptr, float opt) {
    RecordingHost* host = current();
    if (!host) return 0;
    std::lock_guard<std::mutex> lock(host->lock_);
    host->calls.push_back({effect, opcode, index, value, ptr, opt});
    auto it = host->answers.find(opcode);
    return it == host->answers.end() ? 0 : it->second;
  }

  // Calls with the given opcode, in order.
  std::vector<HostCall> callsOf(int32_t opcode) const {
    std::lock_guard<std::mutex> lock(lock_);
    std::vector<HostCall> out;
    for (const auto& c : calls)
      if (c.opcode == opcode) out.push_back(c);
    return out;
  }

  std::map<int32_t, intptr_t> answers{{vst::audioMasterVersion, 2400}};
  std::vector<HostCall> calls;

 private:
  mutable std::mutex lock_;
  static RecordingHost*& current() {
    static RecordingHost* host = nullptr;
    return host;
  }
};

}  // namespace kv::test
