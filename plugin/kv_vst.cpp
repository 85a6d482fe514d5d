#include "plugin/kv_vst.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "document/model/container.h"
#include "document/model/control.h"
#include "document/model/generic_parameter.h"
#include "engine/number_text.h"
#include "document/model/plug.h"
#include "platform/message_service.h"
#include "plugin/chunk_container.h"
#include "plugin/kv_vst_answers.h"
#include "plugin/text_bounds.h"

namespace kv {

namespace {

constexpr int32_t kDefaultHostBlock = 1024;
constexpr float kDefaultEngineRate = 44100.0f;

int32_t hostPrograms(const KvVstPatchSettings& settings, CContainer* patch) {
  if (!patch->patchHasPrograms()) return 1;
  return std::clamp(settings.program_count, 1, CContainer::kProgramCount);
}

}  // namespace

KvVst::KvVst(vst::audioMasterCallback audioMaster, std::unique_ptr<KvVstApplication> app,
             bool* loadFailed)
    : AudioEffectX(audioMaster, 16, 0),
      app_(std::move(app)),
      midi_in_(std::make_unique<MidiEvent[]>(kHostMidiCapacity)),
      midi_out_(std::make_unique<MidiEvent[]>(MidiToHost::kCapacity)),
      ui_thread_(std::this_thread::get_id()) {
  programsAreChunks(true);
  midi_to_host_.allocate();
  HostCallScope inHostCall;
  if (!app_ || !app_->InitInstance() || app_->GetPatchContainer() == nullptr) {
    if (loadFailed) *loadFailed = true;
    // No editor will ever show why: the texts go out now (logged when headless).
    MessageService::current().flushQueued();
    return;
  }
  patch_ = app_->GetPatchContainer();
  settings_ = app_->PatchSettings();
  setProgramLocked(0);

  setNumPrograms(hostPrograms(settings_, patch_));
  if (generic_parameter* program = patch_->findParameter("Program")) ParamWatcher::setParameter(program);

  app_->WireHostIo();
  gatherHostParameters();
  app_->AttachPlugin(this);

  setNumInputs(patch_->countAudioPlugs(DR_IN));
  setNumOutputs(patch_->countAudioPlugs(DR_OUT));
  has_midi_in_ = patch_->findMidiPlug(DR_IN) != nullptr;
  has_midi_out_ = patch_->findMidiPlug(DR_OUT) != nullptr;

  canMono(settings_.mono_capable);
  canProcessReplacing(true);
  hasVu(false);
  hasClip(false);
  isSynth((settings_.plugin_flags & kPluginFlagSynth) != 0);
  needIdle();
  setUniqueID(settings_.unique_id);
}

KvVst::~KvVst() {
  {
    std::lock_guard<std::recursive_mutex> lock(engine_mutex_);
    suspendLocked();
    if (app_) app_->AttachPlugin(nullptr);
  }
  ParamWatcher::setParameter(nullptr);
  // Links stop watching before the application deletes the document they watch.
  while (!params_.empty()) params_.pop_back();
  app_.reset();
}

void KvVst::gatherHostParameters() {
  std::vector<generic_parameter*> list;
  patch_->gatherParameters(list);
  params_.reserve(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    params_.push_back(std::make_unique<param_info>());
    params_.back()->attach(this, list[i], static_cast<int32_t>(i));
  }
  setNumParams(static_cast<int32_t>(params_.size()));
}

const param_info* KvVst::parameterLink(int32_t index) const {
  return index >= 0 && index < static_cast<int32_t>(params_.size()) ? params_[index].get() : nullptr;
}

float KvVst::EngineSampleRate(float hostRate) {
  if (!(hostRate >= 1000.0f && hostRate <= 1536000.0f)) return kDefaultEngineRate;
  return hostRate;
}

// --- Parameters -----------------------------------------------------------------------

void KvVst::setParameter(int32_t index, float value) {
  if (index < 0 || index >= static_cast<int32_t>(params_.size())) return;
  if (!sanitiseHostValue(value)) return;
  param_info& link = *params_[index];
  if (!link.storeFromHost(value)) return;
  app_->RequestHostParameters();
  if (app_->EngineGateOpen()) return;
  // No engine: on the user-interface thread the control takes the value now; elsewhere it
  // stays dirty until the next call that holds the engine lock on a non-audio thread.
  if (std::this_thread::get_id() != ui_thread_ || isAudioThread()) return;
  std::unique_lock<std::recursive_mutex> lock(engine_mutex_, std::try_to_lock);
  if (!lock.owns_lock() || app_->EngineGateOpen()) return;
  link.applyToControl();
}

float KvVst::getParameter(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(params_.size())) return 0.0f;
  return params_[index]->value();
}

std::unique_lock<std::recursive_mutex> KvVst::lockForQuery() {
  if (std::this_thread::get_id() == audio_thread_.load(std::memory_order_relaxed))
    return std::unique_lock<std::recursive_mutex>(engine_mutex_, std::try_to_lock);
  return std::unique_lock<std::recursive_mutex>(engine_mutex_);
}

void KvVst::getParameterLabel(int32_t index, char* label) {
  auto lock = lockForQuery();
  const param_info* link = lock.owns_lock() ? parameterLink(index) : nullptr;
  copyBounded(label, link && link->parameter() ? link->parameter()->getUnit() : std::string(),
              kMaxParamTextLen);
}

void KvVst::getParameterDisplay(int32_t index, char* text) {
  auto lock = lockForQuery();
  const param_info* link = lock.owns_lock() ? parameterLink(index) : nullptr;
  copyBounded(text,
              link && link->parameter() ? link->parameter()->textForNormalised(link->value())
                                        : std::string(),
              kMaxParamTextLen);
}

void KvVst::getParameterName(int32_t index, char* text) {
  auto lock = lockForQuery();
  const param_info* link = lock.owns_lock() ? parameterLink(index) : nullptr;
  copyBounded(text, link && link->parameter() ? link->parameter()->getName() : std::string(),
              kMaxParamTextLen);
}

bool KvVst::getParameterProperties(int32_t index, vst::VstParameterProperties* p) {
  std::lock_guard<std::recursive_mutex> lock(engine_mutex_);
  const param_info* link = parameterLink(index);
  if (!link || !link->parameter() || !p) return false;
  std::memset(p, 0, sizeof *p);
  const std::string name = link->parameter()->getName();
  copyBounded(p->label, name, kMaxParamPropLabelLen);
  copyBounded(p->shortLabel, name, kMaxShortLabelLen);
  return true;
}

bool KvVst::canParameterBeAutomated(int32_t index) {
  auto lock = lockForQuery();
  const param_info* link = lock.owns_lock() ? parameterLink(index) : nullptr;
  return link && link->parameter() && link->parameter()->notifyHostOnEdit();
}

void KvVst::automateHostParameter(int32_t index, float value) {
  // Values the host itself caused (a chunk, a program it selected) are not echoed back.
  if (quiet_automation_) return;
  setParameterAutomated(index, value);
}

const TimeInfo* KvVst::HostTimeInfo(int32_t request_flags) {
  // TimeInfo is the VST 2 record itself: the host's answer goes to the engine as it is.
  return getTimeInfo(request_flags);
}

void KvVst::applyDirtyToControls() {
  for (auto& link : params_) link->applyToControl();
}

void KvVst::ApplyHostParameters() {
  for (auto it = params_.rbegin(); it != params_.rend(); ++it) {
    param_info& link = **it;
    float value = 0.0f;
    if (!link.takeDirty(value)) continue;
    if (generic_parameter* control = link.parameter()) app_->SendHostValueToEngine(control, value);
  }
}

// --- Audio ------------------------------------------------------------------------------

int32_t KvVst::processEvents(vst::VstEvents* events) {
  if (!events || !patch_) return 1;
  // Events kept from before the latest resume belong to no coming call.
  const uint32_t resumes = resumes_.load(std::memory_order_acquire);
  if (midi_in_resume_ != resumes) {
    midi_in_count_ = 0;
    midi_in_resume_ = resumes;
  }
  // The pointer array is as long as the count (the record declares two entries).
  vst::VstEvent* const* list = reinterpret_cast<vst::VstEvent* const*>(
      reinterpret_cast<const char*>(events) + offsetof(vst::VstEvents, events));
  for (int32_t i = 0; i < events->numEvents && midi_in_count_ < kHostMidiCapacity; ++i) {
    const vst::VstEvent* e = list[i];
    if (e == nullptr || e->type != vst::kVstMidiType) continue;
    const auto* m = reinterpret_cast<const vst::VstMidiEvent*>(e);
    MidiEvent& out = midi_in_[midi_in_count_++];
    out.time = std::max(m->deltaFrames, 0);
    out.message = MidiEvent::Pack(static_cast<uint8_t>(m->midiData[0]), static_cast<uint8_t>(m->midiData[1]),
                                  static_cast<uint8_t>(m->midiData[2]));
  }
  return 1;
}

void KvVst::process(float** inputs, float** outputs, int32_t sampleFrames) {
  runAudio(inputs, outputs, sampleFrames, false);
}

void KvVst::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) {
  runAudio(inputs, outputs, sampleFrames, true);
}

void KvVst::runAudio(float** inputs, float** outputs, int32_t frames, bool replacing) {
  if (frames <= 0 || !app_) return;
  audio_thread_.store(std::this_thread::get_id(), std::memory_order_relaxed);
  replacing_.store(replacing, std::memory_order_relaxed);
  // The host's MIDI of this call: none when it was sent before the latest resume; offsets
  // beyond the call play at its last frame.
  int32_t midi_count = midi_in_count_;
  midi_in_count_ = 0;
  if (midi_in_resume_ != resumes_.load(std::memory_order_acquire)) midi_count = 0;
  for (int32_t i = 0; i < midi_count; ++i) midi_in_[i].time = std::min<sample_clock>(midi_in_[i].time, frames - 1);
  const int sent = app_->ProcessHostCall(
      inputs, cEffect.numInputs, outputs, cEffect.numOutputs, frames, replacing,
      std::span<const MidiEvent>(midi_in_.get(), static_cast<size_t>(midi_count)),
      std::span<MidiEvent>(midi_out_.get(), static_cast<size_t>(MidiToHost::kCapacity)));
  if (sent > 0) {
    midi_to_host_.clear();
    for (int i = 0; i < sent; ++i)
      midi_to_host_.add(static_cast<int32_t>(midi_out_[i].time), static_cast<uint32_t>(midi_out_[i].message));
    sendVstEventsToHost(midi_to_host_.events());
  }
}

// --- Activation ---------------------------------------------------------------------------

void KvVst::suspend() {
  std::lock_guard<std::recursive_mutex> lock(engine_mutex_);
  suspendLocked();
}

void KvVst::suspendLocked() {
  resumed_.store(false, std::memory_order_release);
  if (app_ && patch_) app_->StopEngineVst();
}

void KvVst::resume() {
  HostCallScope inHostCall;
  std::lock_guard<std::recursive_mutex> lock(engine_mutex_);
  resumeLocked();
}

void KvVst::resumeLocked() {
  if (!patch_) {
    resumed_.store(true, std::memory_order_release);
    return;
  }
  // The engine goes first (behind the gate), so host values set meanwhile land in their
  // controls and the new engine starts from them.
  app_->StopEngineVst();
  applyDirtyToControls();
  resumes_.fetch_add(1, std::memory_order_acq_rel);
  if (has_midi_in_) wantEvents(1);
  const int32_t block = blockSize > 0 ? blockSize : kDefaultHostBlock;
  app_->StartEngineVst(EngineSampleRate(sampleRate), block);
  needIdle();
  replacing_.store(true, std::memory_order_relaxed);
  resumed_.store(true, std::memory_order_release);
}

void KvVst::setSampleRate(float newRate) {
  std::lock_guard<std::recursive_mutex> lock(engine_mutex_);
  if (newRate == sampleRate) return;
  sampleRate = newRate;
  if (resumed_.load(std::memory_order_acquire)) {
    HostCallScope inHostCall;
    suspendLocked();
    resumeLocked();
  }
}

// --- Programs ---------------------------------------------------------------------------

void KvVst::setProgramLocked(int32_t program) {
  curProgram = program;
  // The controls switch to the program's values; the host chose it, so they are not
  // reported back to it as automation.
  const bool wasQuiet = quiet_automation_;
  quiet_automation_ = true;
  patch_->setProgram(program);
  quiet_automation_ = wasQuiet;
}

void KvVst::setProgram(int32_t program) {
  std::lock_guard<std::recursive_mutex> lock(engine_mutex_);
  if (!patch_ || program < 0 || program >= numPrograms) return;
  // Host values the controls do not hold yet (also those the engine has taken already) are
  // stored in the program they were set in, before it is left.
  applyDirtyToControls();
  setProgramLocked(program);
}

void KvVst::onValueChanged(intptr_t) {
  std::lock_guard<std::recursive_mutex> lock(engine_mutex_);
  if (!patch_) return;
  generic_parameter* program = patch_->findParameter("Program");
  if (!program) return;
  const int32_t n = parseInt(program->getValueText());
  if (n == getProgram()) return;
  if (n >= 0 && n < numPrograms) curProgram = n;
  updateDisplay();
}

void KvVst::setProgramName(char* name) {
  std::lock_guard<std::recursive_mutex> lock(engine_mutex_);
  if (!patch_ || !name) return;
  patch_->setProgramName(patch_->currentProgram(), std::string(name, strnlen(name, 1024)));
}

void KvVst::getProgramName(char* name) {
  std::lock_guard<std::recursive_mutex> lock(engine_mutex_);
  copyBounded(name, patch_ ? patch_->programName(patch_->currentProgram()) : std::string(),
              kMaxProgramNameLen);
}

bool KvVst::getProgramNameIndexed(int32_t, int32_t index, char* text) {
  std::lock_guard<std::recursive_mutex> lock(engine_mutex_);
  if (!patch_ || index < 0 || index >= CContainer::kProgramCount) {
    copyBounded(text, "", kMaxProgramNameLen);
    return false;
  }
  copyBounded(text, patch_->programName(index), kMaxProgramNameLen);
  return true;
}

bool KvVst::copyProgram(int32_t destination) {
  std::lock_guard<std::recursive_mutex> lock(engine_mutex_);
  if (!patch_ || destination < 0 || destination >= CContainer::kProgramCount) return false;
  applyDirtyToControls();
  patch_->copyPrograms(destination, destination);
  return true;
}

// --- State ------------------------------------------------------------------------------

int32_t KvVst::getChunk(void** data, bool isPreset) {
  std::lock_guard<std::recursive_mutex> lock(engine_mutex_);
  if (!data || !patch_) return 0;
  // Host values still on their way through the engine are saved as the host set them, and
  // reach the engine through their controls from now on: none is left to be written into
  // a control again later, when another program may be current.
  applyDirtyToControls();
  chunk_ = writeContainerChunk(patch_, isPreset);
  *data = chunk_.data();
  return static_cast<int32_t>(chunk_.size());
}

int32_t KvVst::setChunk(void* data, int32_t byteSize, bool isPreset) {
  HostCallScope inHostCall;
  std::lock_guard<std::recursive_mutex> lock(engine_mutex_);
  if (!patch_ || !data || byteSize <= 0) return 0;
  applyDirtyToControls();
  const bool wasQuiet = quiet_automation_;
  quiet_automation_ = true;
  readContainerChunk(patch_, std::span<const uint8_t>(static_cast<const uint8_t*>(data), static_cast<size_t>(byteSize)),
                     isPreset);
  quiet_automation_ = wasQuiet;
  return 0;
}

// --- Descriptions -------------------------------------------------------------------------

bool KvVst::getOutputProperties(int32_t index, vst::VstPinProperties* properties) {
  std::lock_guard<std::recursive_mutex> lock(engine_mutex_);
  if (!properties) return false;
  std::memset(properties, 0, sizeof *properties);
  CPlug2* plug = patch_ ? patch_->findPlug(DR_OUT, dt_volts, index) : nullptr;
  if (!plug) return false;
  fillOutputProperties(*properties, plug->getName(), cEffect.numOutputs, settings_.plugin_flags);
  return true;
}

bool KvVst::getEffectName(char* name) {
  std::lock_guard<std::recursive_mutex> lock(engine_mutex_);
  copyBounded(name, patch_ ? patch_->getTitle() : std::string(), kMaxEffectNameLen);
  return true;
}

bool KvVst::getVendorString(char* text) {
  copyBounded(text, settings_.vendor_text, kMaxVendorTextLen);
  return true;
}

bool KvVst::getProductString(char* text) {
  copyBounded(text, settings_.product_text, kMaxVendorTextLen);
  return true;
}

int32_t KvVst::canDo(char* text) {
  if (!text) return 0;
  return canDoAnswer(text, has_midi_in_, has_midi_out_);
}

int32_t KvVst::fxIdle() {
  std::lock_guard<std::recursive_mutex> lock(engine_mutex_);
  if (!patch_) return 1;
  if (!app_->EngineGateOpen()) applyDirtyToControls();
  app_->ServiceRefreshQueue();
  MessageService::current().flushQueued();
  return 1;
}

}  // namespace kv
