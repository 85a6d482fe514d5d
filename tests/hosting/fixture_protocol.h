// How the hosting tests talk to the fixture plug-in through effVendorSpecific
// (the index selects the question).
#pragma once

#include <cstdint>

enum : int32_t {
  kProbeVersionDuringEntry = 1,    // what audioMasterVersion answered during the entry call
  kProbeBlockSizeDuringEntry = 2,  // what audioMasterGetBlockSize answered then
  kProbeOpenCalls = 3,             // how often effOpen arrived
  kProbeCallHost = 4,              // ptr = ProbeCall: the plug-in calls its host and answers the result
};

struct ProbeCall {
  int32_t opcode;
  int32_t index;
  intptr_t value;
  void* ptr;
  float opt;
};
