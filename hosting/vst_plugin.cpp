#include "hosting/vst_plugin.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "hosting/vst_host.h"

namespace kv {

using namespace vst;

namespace {

using EntryPoint = AEffect* (*)(audioMasterCallback);

// Plug-ins write past the nominal 8/24/32/64-byte limits of VST strings; every buffer
// handed out is this large, zeroed, and terminated again afterwards.
constexpr std::size_t kStringBuffer = 256;

// The plug-in whose entry point is running on this thread; it receives the callbacks
// that arrive before its record is known.
thread_local VstPlugin* t_loading = nullptr;

class LoadingScope {
 public:
  explicit LoadingScope(VstPlugin* plugin) : previous_(t_loading) { t_loading = plugin; }
  ~LoadingScope() { t_loading = previous_; }

 private:
  VstPlugin* previous_;
};

}  // namespace

std::string fourCharacterText(int32_t id) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((static_cast<uint32_t>(id) >> shift) & 0xFF);
    if (c < 0x20 || c > 0x7E) return {};
    text += c;
  }
  return text;
}

VstPlugin::VstPlugin(std::string path, VstHost& host) : path_(std::move(path)), host_(host) {}

std::unique_ptr<VstPlugin> VstPlugin::load(const std::string& path, VstHost& host,
                                           VstLoadFailure& failure) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    failure = {VstLoadError::FileNotFound, path + ": file not found"};
    return nullptr;
  }
  std::unique_ptr<VstPlugin> plugin(new VstPlugin(path, host));
  std::string error;
  if (!plugin->library_.open(path, error)) {
    failure = {VstLoadError::NotLoadable, path + ": not a VST 2 plug-in (" + error + ")"};
    return nullptr;
  }
  auto entry = reinterpret_cast<EntryPoint>(plugin->library_.symbol("VSTPluginMain"));
  if (entry == nullptr) entry = reinterpret_cast<EntryPoint>(plugin->library_.symbol("main"));
  if (entry == nullptr) {
    failure = {VstLoadError::NoEntryPoint,
               path + ": not a VST 2 plug-in (it exports neither VSTPluginMain nor main)"};
    return nullptr;
  }

  AEffect* effect = nullptr;
  {
    LoadingScope scope(plugin.get());
    try {
      effect = entry(&VstPlugin::hostCallback);
    } catch (...) {
      effect = nullptr;
    }
  }
  if (effect == nullptr) {
    failure = {VstLoadError::EntryReturnedNull,
               path + ": the plug-in refused to load (its entry point answered no effect)"};
    return nullptr;
  }
  if (effect->magic != kEffectMagic || effect->dispatcher == nullptr ||
      (effect->process == nullptr && effect->processReplacing == nullptr)) {
    // Not a record this host can drive: leave it alone and unload.
    failure = {VstLoadError::BadRecord,
               path + ": not a VST 2 plug-in (its entry point answered no valid effect record)"};
    return nullptr;
  }
  effect->resvd1 = reinterpret_cast<intptr_t>(plugin.get());
  plugin->effect_ = effect;
  plugin->dispatch(effOpen);
  return plugin;
}

VstPlugin::~VstPlugin() {
  if (effect_ != nullptr) {
    if (processing_) stopProcess();
    if (resumed_) suspend();
    dispatch(effClose);
    effect_ = nullptr;
  }
  library_.close();
}

intptr_t VstPlugin::hostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                 void* ptr, float opt) {
  try {
    // While an entry point runs on this thread, every call on it comes from that
    // plug-in, whatever its half-built record holds in `resvd1`.
    VstPlugin* plugin = t_loading;
    if (plugin == nullptr && effect != nullptr && effect->resvd1 != 0) {
      plugin = reinterpret_cast<VstPlugin*>(effect->resvd1);
      if (plugin->effect_ != effect) plugin = nullptr;
    }
    if (plugin == nullptr) return VstHost::answerWithoutPlugin(opcode, index, value, ptr, opt);
    return plugin->host_.answer(*plugin, opcode, index, value, ptr, opt);
  } catch (...) {
    return 0;  // nothing is thrown into the plug-in
  }
}

intptr_t VstPlugin::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                             float opt) const {
  return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string VstPlugin::readString(int32_t opcode, int32_t index) const {
  char buffer[kStringBuffer] = {};
  dispatch(opcode, index, 0, buffer, 0.0f);
  buffer[kStringBuffer - 1] = '\0';
  return buffer;
}

std::string VstPlugin::effectName() const { return readString(effGetEffectName, 0); }
std::string VstPlugin::vendorString() const { return readString(effGetVendorString, 0); }
std::string VstPlugin::productString() const { return readString(effGetProductString, 0); }
int32_t VstPlugin::vendorVersion() const {
  return static_cast<int32_t>(dispatch(effGetVendorVersion));
}
int32_t VstPlugin::vstVersion() const { return static_cast<int32_t>(dispatch(effGetVstVersion)); }
int32_t VstPlugin::category() const { return static_cast<int32_t>(dispatch(effGetPlugCategory)); }
intptr_t VstPlugin::tailSize() const { return dispatch(effGetTailSize); }

int32_t VstPlugin::canDo(const std::string& word) const {
  char buffer[kStringBuffer] = {};
  std::memcpy(buffer, word.data(), word.size() < kStringBuffer - 1 ? word.size() : kStringBuffer - 1);
  const intptr_t answer = dispatch(effCanDo, 0, 0, buffer);
  return answer > 0 ? 1 : answer < 0 ? -1 : 0;
}

std::string VstPlugin::parameterName(int32_t index) const {
  if (index < 0 || index >= numParams()) return {};
  return readString(effGetParamName, index);
}
std::string VstPlugin::parameterLabel(int32_t index) const {
  if (index < 0 || index >= numParams()) return {};
  return readString(effGetParamLabel, index);
}
std::string VstPlugin::parameterDisplay(int32_t index) const {
  if (index < 0 || index >= numParams()) return {};
  return readString(effGetParamDisplay, index);
}

float VstPlugin::parameter(int32_t index) const {
  if (index < 0 || index >= numParams() || effect_->getParameter == nullptr) return 0.0f;
  return effect_->getParameter(effect_, index);
}

bool VstPlugin::setParameter(int32_t index, float value) {
  if (index < 0 || index >= numParams() || effect_->setParameter == nullptr) return false;
  effect_->setParameter(effect_, index, value);
  return true;
}

int32_t VstPlugin::program() const { return static_cast<int32_t>(dispatch(effGetProgram)); }

bool VstPlugin::setProgram(int32_t program) {
  if (program < 0 || program >= numPrograms()) return false;
  dispatch(effSetProgram, 0, program);
  return true;
}

std::string VstPlugin::currentProgramName() const { return readString(effGetProgramName, 0); }

std::string VstPlugin::programName(int32_t index) {
  if (index < 0 || index >= numPrograms()) return {};
  char buffer[kStringBuffer] = {};
  if (dispatch(effGetProgramNameIndexed, index, -1, buffer) == 1) {
    buffer[kStringBuffer - 1] = '\0';
    return buffer;
  }
  const int32_t current = program();
  if (index == current) return currentProgramName();
  dispatch(effSetProgram, 0, index);
  std::string name = currentProgramName();
  if (current >= 0 && current < numPrograms()) dispatch(effSetProgram, 0, current);
  return name;
}

std::vector<uint8_t> VstPlugin::chunk(bool preset) const {
  void* data = nullptr;
  const intptr_t size = dispatch(effGetChunk, preset ? 1 : 0, 0, &data);
  if (size <= 0 || data == nullptr) return {};
  const auto* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

intptr_t VstPlugin::setChunk(const std::vector<uint8_t>& data, bool preset) {
  // Plug-ins may keep the pointer only for the call; hand out a private copy anyway so a
  // plug-in that writes into it cannot change the caller's bytes.
  std::vector<uint8_t> copy = data;
  return dispatch(effSetChunk, preset ? 1 : 0, static_cast<intptr_t>(copy.size()),
                  copy.empty() ? nullptr : copy.data());
}

void VstPlugin::setSampleRate(float rate) {
  sampleRate_ = rate;
  dispatch(effSetSampleRate, 0, 0, nullptr, rate);
}

void VstPlugin::setBlockSize(int32_t frames) {
  blockSize_ = frames;
  dispatch(effSetBlockSize, 0, frames);
}

void VstPlugin::resume() {
  dispatch(effMainsChanged, 0, 1);
  resumed_ = true;
}

void VstPlugin::suspend() {
  dispatch(effMainsChanged, 0, 0);
  resumed_ = false;
}

void VstPlugin::startProcess() {
  dispatch(effStartProcess);
  processing_ = true;
}

void VstPlugin::stopProcess() {
  dispatch(effStopProcess);
  processing_ = false;
}

void VstPlugin::processEvents(VstEvents* events) {
  if (events == nullptr || events->numEvents <= 0) return;
  dispatch(effProcessEvents, 0, 0, events);
}

void VstPlugin::process(float** inputs, float** outputs, int32_t frames) {
  if (frames <= 0) return;
  if (hasFlag(effFlagsCanReplacing) && effect_->processReplacing != nullptr) {
    effect_->processReplacing(effect_, inputs, outputs, frames);
    return;
  }
  // The accumulating call adds to what is there; start from silence. A plug-in that
  // has only the replacing call gets that on the cleared outputs.
  for (int32_t c = 0; c < numOutputs(); ++c)
    std::memset(outputs[c], 0, sizeof(float) * static_cast<std::size_t>(frames));
  if (effect_->process != nullptr)
    effect_->process(effect_, inputs, outputs, frames);
  else
    effect_->processReplacing(effect_, inputs, outputs, frames);
}

}  // namespace kv
