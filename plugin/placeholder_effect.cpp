#include "plugin/placeholder_effect.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "doc/model/container.h"
#include "platform/module_path.h"
#include "plugin/capabilities.h"
#include "plugin/text_bounds.h"

namespace kv {

namespace {
constexpr const char* kVendor = "Korvane";
constexpr size_t kMaxEffectNameChars = 31;
}

PlaceholderEffect::PlaceholderEffect(vst::audioMasterCallback audioMaster)
    : PlaceholderEffect(audioMaster, ownModulePath()) {}

PlaceholderEffect::PlaceholderEffect(vst::audioMasterCallback audioMaster, const std::string& module_path)
    : AudioEffectX(audioMaster, 1, 0) {
  if (doc_.LoadFromModule(module_path)) patch_ = doc_.GetPatchContainer();
  setUniqueID(doc_.GetUniqueId());
  setNumInputs(1);
  setNumOutputs(2);
  canProcessReplacing(true);
}

PlaceholderEffect::~PlaceholderEffect() { StopProcessing(); }

void PlaceholderEffect::resume() {
  StopProcessing();
  master_.reset();
  master_ = std::make_unique<KvAudioMaster>(static_cast<EngineHost*>(this), blockSize, sampleRate);
  master_->Start(nullptr);
  master_->SetRunning(true);
  processing_enabled_.store(true, std::memory_order_release);
}

void PlaceholderEffect::suspend() {
  StopProcessing();
  master_.reset();
}

void PlaceholderEffect::StopProcessing() {
  processing_enabled_.store(false, std::memory_order_seq_cst);
  while (in_process_.load(std::memory_order_seq_cst)) std::this_thread::yield();
}

void PlaceholderEffect::RunEngine(int32_t sampleFrames) {
  in_process_.store(true, std::memory_order_seq_cst);
  if (processing_enabled_.load(std::memory_order_seq_cst) && master_) master_->Run(sampleFrames);
  in_process_.store(false, std::memory_order_release);
}

const TimeInfo* PlaceholderEffect::FetchHostTimeInfo(int32_t request_flags) {
  static_assert(sizeof(TimeInfo) == sizeof(vst::VstTimeInfo));
  // The host's record lives until its next call; the master copies it at once.
  return reinterpret_cast<const TimeInfo*>(getTimeInfo(request_flags));
}

void PlaceholderEffect::processReplacing(float**, float** outputs, int32_t sampleFrames) {
  if (!outputs || sampleFrames <= 0) return;
  RunEngine(sampleFrames);
  for (int32_t ch = 0; ch < cEffect.numOutputs; ++ch)
    if (outputs[ch]) std::fill_n(outputs[ch], sampleFrames, 0.0f);
}

bool PlaceholderEffect::getEffectName(char* name) {
  const std::string title = patch_ ? patch_->getTitle().substr(0, kMaxEffectNameChars) : std::string();
  copyBounded(name, title.c_str(), kMaxEffectNameLen);
  return true;
}

bool PlaceholderEffect::getVendorString(char* text) {
  copyBounded(text, kVendor, kMaxVendorTextLen);
  return true;
}

bool PlaceholderEffect::getProductString(char* text) {
  copyBounded(text, doc_.product_text().c_str(), kMaxVendorTextLen);
  return true;
}

void PlaceholderEffect::process(float**, float**, int32_t sampleFrames) {
  if (sampleFrames > 0) RunEngine(sampleFrames);
}

int32_t PlaceholderEffect::canDo(char* text) {
  if (!text) return 0;
  const std::string_view word(text);
  if (word == kCanDoReceiveVstMidiEvent || word == kCanDoSendVstMidiEvent) return -1;
  return 0;
}

}  // namespace kv
