#include "hosting/vst_host.h"

#include <cstring>

#include "hosting/vst_plugin.h"

namespace kv {

using namespace vst;

namespace {
// VST 2 string buffers for the host's vendor and product names are 64 bytes.
constexpr std::size_t kHostStringSize = 64;
// A plug-in's capability words are short; never read further than this.
constexpr std::size_t kMaxCanDoLength = 64;

bool hostCanDo(const VstHostIdentity& identity, const void* ptr) {
  if (ptr == nullptr) return false;
  const char* text = static_cast<const char*>(ptr);
  const std::size_t length = strnlen(text, kMaxCanDoLength);
  for (const std::string& word : identity.canDo)
    if (word.size() == length && std::memcmp(word.data(), text, length) == 0) return true;
  return false;
}

const VstHostIdentity& defaultIdentity() {
  static const VstHostIdentity identity;
  return identity;
}

// Answers the questions that are the same for every instance.
bool answerCommon(const VstHostIdentity& identity, int32_t opcode, void* ptr, intptr_t& result) {
  switch (opcode) {
    case audioMasterVersion:
      result = identity.vstVersion;
      return true;
    case audioMasterGetVendorString:
      copyHostString(ptr, kHostStringSize, identity.vendor);
      result = ptr != nullptr ? 1 : 0;
      return true;
    case audioMasterGetProductString:
      copyHostString(ptr, kHostStringSize, identity.product);
      result = ptr != nullptr ? 1 : 0;
      return true;
    case audioMasterGetVendorVersion:
      result = identity.vendorVersion;
      return true;
    case audioMasterCanDo:
      result = hostCanDo(identity, ptr) ? 1 : 0;
      return true;
    case audioMasterGetLanguage:
      result = 1;  // English
      return true;
    default:
      return false;
  }
}
}  // namespace

void copyHostString(void* destination, std::size_t size, const std::string& text) {
  if (destination == nullptr || size == 0) return;
  const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(destination, text.data(), n);
  static_cast<char*>(destination)[n] = '\0';
}

VstHost::VstHost(VstHostIdentity identity, std::size_t midiOutCapacity)
    : identity_(std::move(identity)), midiFromPlugin_(midiOutCapacity) {}

VstHost::~VstHost() = default;

intptr_t VstHost::answerWithoutPlugin(int32_t opcode, int32_t, intptr_t, void* ptr, float) {
  intptr_t result = 0;
  answerCommon(defaultIdentity(), opcode, ptr, result);
  return result;
}

intptr_t VstHost::answer(VstPlugin& plugin, int32_t opcode, int32_t index, intptr_t value,
                         void* ptr, float opt) {
  intptr_t result = 0;
  if (answerCommon(identity_, opcode, ptr, result)) return result;

  const AEffect* effect = plugin.effect();
  switch (opcode) {
    case audioMasterAutomate:
      // The index comes from foreign code: only real parameters are reported.
      if (effect != nullptr && index >= 0 && index < effect->numParams)
        automate(plugin, index, opt);
      return 0;
    case audioMasterCurrentId:
      return effect != nullptr ? effect->uniqueID : 0;
    case audioMasterIdle:
      idleRequested(plugin);
      return 0;
    case audioMasterPinConnected: {
      // 0 means connected: every pin the plug-in declares is connected.
      if (effect == nullptr) return 1;
      const int32_t count = value == 0 ? effect->numInputs : effect->numOutputs;
      return index >= 0 && index < count ? 0 : 1;
    }
    case audioMasterWantMidi:
      wantsMidi_.store(true, std::memory_order_relaxed);
      return 1;
    case audioMasterGetTime:
      return reinterpret_cast<intptr_t>(timeInfo(plugin, static_cast<int32_t>(value)));
    case audioMasterProcessEvents:
      if (ptr == nullptr) return 0;
      return eventsFromPlugin(plugin, *static_cast<const VstEvents*>(ptr)) ? 1 : 0;
    case audioMasterTempoAt:
      return static_cast<intptr_t>(transport_.tempo() * 10000.0);
    case audioMasterGetNumAutomatableParameters:
      return effect != nullptr ? effect->numParams : 0;
    case audioMasterNeedIdle:
      needsIdle_.store(true, std::memory_order_relaxed);
      idleRequested(plugin);
      return 1;
    case audioMasterGetSampleRate:
      return static_cast<intptr_t>(plugin.sampleRate());
    case audioMasterGetBlockSize:
      return plugin.blockSize();
    case audioMasterWillReplaceOrAccumulate:
      return 1;  // replacing
    case audioMasterGetCurrentProcessLevel:
      return static_cast<intptr_t>(processLevel_.load(std::memory_order_relaxed));
    case audioMasterGetAutomationState:
      return 1;  // automation off
    case audioMasterUpdateDisplay:
      updateDisplay(plugin);
      return 1;
    case audioMasterBeginEdit:
      if (effect != nullptr && index >= 0 && index < effect->numParams) beginEdit(plugin, index);
      return 1;
    case audioMasterEndEdit:
      if (effect != nullptr && index >= 0 && index < effect->numParams) endEdit(plugin, index);
      return 1;
    default:
      // Includes the file selector (its record holds pointers this host never fills),
      // window sizing (there is no editor window) and I/O changes (not accepted).
      return 0;
  }
}

bool VstHost::eventsFromPlugin(VstPlugin&, const VstEvents& events) {
  // The count comes from foreign code; a block never holds more than this.
  constexpr int32_t kMaxEventsPerCall = 1 << 16;
  const int32_t count = events.numEvents < kMaxEventsPerCall ? events.numEvents : kMaxEventsPerCall;
  if (count <= 0) return true;
  // The pointer array starts at offset 16 and holds `count` entries.
  VstEvent* const* list = events.events;
  for (int32_t i = 0; i < count; ++i) {
    const VstEvent* e = list[i];
    if (e == nullptr || e->type != kVstMidiType) continue;
    midiFromPlugin_.add(*reinterpret_cast<const VstMidiEvent*>(e));
  }
  return true;
}

const VstTimeInfo* VstHost::timeInfo(VstPlugin&, int32_t) { return &transport_.timeInfo(); }

}  // namespace kv
