#include "plugin/audio_effect.h"

#include <algorithm>
#include <cstring>

#include "plugin/aeff_editor.h"
#include "plugin/value_conversion.h"

namespace kv {

using namespace vst;

AudioEffect::AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms,
                         int32_t numParams)
    : audioMaster(audioMaster),
      numPrograms(std::max<int32_t>(0, numPrograms)),
      numParams(std::max<int32_t>(0, numParams)) {
  // The whole record is zeroed first: reserved words, padding and the future bytes
  // must read 0 to the host.
  std::memset(static_cast<void*>(&cEffect), 0, sizeof cEffect);
  cEffect.magic = kEffectMagic;
  cEffect.dispatcher = &AudioEffect::dispatchEffClass;
  cEffect.process = &AudioEffect::processClass;
  cEffect.setParameter = &AudioEffect::setParameterClass;
  cEffect.getParameter = &AudioEffect::getParameterClass;
  cEffect.numPrograms = this->numPrograms;
  cEffect.numParams = this->numParams;
  cEffect.numInputs = 1;
  cEffect.numOutputs = 2;
  cEffect.flags = 0;
  cEffect.ioRatio = 1.0f;
  cEffect.object = this;
  cEffect.uniqueID = fourCharCode('N', 'o', 'E', 'f');
  cEffect.version = 1;
  cEffect.processReplacing = &AudioEffect::processClassReplacing;
}

AudioEffect::~AudioEffect() {
  delete editor;
  editor = nullptr;
}

// --- Glue ---------------------------------------------------------------------------

namespace {
AudioEffect* fromRecord(AEffect* e) {
  return e ? static_cast<AudioEffect*>(e->object) : nullptr;
}
}  // namespace

intptr_t AudioEffect::dispatchEffClass(AEffect* e, int32_t opcode, int32_t index,
                                       intptr_t value, void* ptr, float opt) noexcept {
  AudioEffect* fx = fromRecord(e);
  if (!fx) return 0;
  if (opcode == effClose) {
    // The end of life: whatever `close` does, the object goes and the host hears 1.
    try {
      fx->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
    }
    delete fx;
    return 1;
  }
  try {
    return fx->dispatcher(opcode, index, value, ptr, opt);
  } catch (...) {
    return 0;
  }
}

void AudioEffect::processClass(AEffect* e, float** inputs, float** outputs,
                               int32_t sampleFrames) noexcept {
  AudioEffect* fx = fromRecord(e);
  if (!fx) return;
  try {
    fx->process(inputs, outputs, sampleFrames);
  } catch (...) {
  }
}

void AudioEffect::processClassReplacing(AEffect* e, float** inputs, float** outputs,
                                        int32_t sampleFrames) noexcept {
  AudioEffect* fx = fromRecord(e);
  if (!fx) return;
  try {
    fx->processReplacing(inputs, outputs, sampleFrames);
  } catch (...) {
  }
}

void AudioEffect::setParameterClass(AEffect* e, int32_t index, float value) noexcept {
  AudioEffect* fx = fromRecord(e);
  if (!fx) return;
  try {
    fx->setParameter(index, value);
  } catch (...) {
  }
}

float AudioEffect::getParameterClass(AEffect* e, int32_t index) noexcept {
  AudioEffect* fx = fromRecord(e);
  if (!fx) return 0.0f;
  try {
    return fx->getParameter(index);
  } catch (...) {
    return 0.0f;
  }
}

// --- Dispatcher, opcodes 0 to 24 ------------------------------------------------------

intptr_t AudioEffect::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                 float opt) {
  char* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effOpen:
      open();
      return 0;
    case effClose:
      close();
      return 0;
    case effSetProgram:
      // Signed compare: a negative number passes and the operation must ignore it.
      if (value < numPrograms) setProgram(saturateToInt32(value));
      return 0;
    case effGetProgram:
      return getProgram();
    case effSetProgramName:
      if (text) setProgramName(text);
      return 0;
    case effGetProgramName:
      if (text) getProgramName(text);
      return 0;
    case effGetParamLabel:
      if (text) getParameterLabel(index, text);
      return 0;
    case effGetParamDisplay:
      if (text) getParameterDisplay(index, text);
      return 0;
    case effGetParamName:
      if (text) getParameterName(index, text);
      return 0;
    case effGetVu:
      return truncateToInt32(static_cast<double>(getVu()) * 32767.0);
    case effSetSampleRate:
      setSampleRate(opt);
      return 0;
    case effSetBlockSize:
      setBlockSize(saturateToInt32(value));
      return 0;
    case effMainsChanged:
      if (value == 0)
        suspend();
      else
        resume();
      return 0;
    case effEditGetRect:
      if (!editor || !ptr) return 0;
      return editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
    case effEditOpen:
      if (!editor) return 0;
      return editor->open(ptr) ? 1 : 0;
    case effEditClose:
      if (editor) editor->close();
      return 0;
    case effEditIdle:
      if (editor) editor->idle();
      return 0;
    case effEditDraw:
    case effEditMouse:
    case effEditKey:
    case effEditTop:
    case effEditSleep:
      return 0;
    case effIdentify:
      return fourCharCode('N', 'v', 'E', 'f');
    case effGetChunk:
      if (!ptr) return 0;
      return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
      // A size that is negative or beyond 32 bits cannot describe the host's block.
      if (!ptr || value < 0 || value > INT32_MAX) return 0;
      return setChunk(ptr, static_cast<int32_t>(value), index != 0);
    default:
      return 0;
  }
}

// --- Defaults -------------------------------------------------------------------------

void AudioEffect::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) {
  if (!outputs || sampleFrames <= 0) return;
  for (int32_t ch = 0; ch < cEffect.numOutputs; ++ch)
    if (outputs[ch]) std::fill_n(outputs[ch], sampleFrames, 0.0f);
}

void AudioEffect::setProgram(int32_t program) {
  if (program >= 0 && program < numPrograms) curProgram = program;
}

void AudioEffect::getProgramName(char* name) {
  if (name) name[0] = '\0';
}
void AudioEffect::getParameterLabel(int32_t, char* label) {
  if (label) label[0] = '\0';
}
void AudioEffect::getParameterDisplay(int32_t, char* text) {
  if (text) text[0] = '\0';
}
void AudioEffect::getParameterName(int32_t, char* text) {
  if (text) text[0] = '\0';
}

// --- Host wrappers --------------------------------------------------------------------

intptr_t AudioEffect::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                               float opt) {
  if (!audioMaster) return 0;
  return audioMaster(&cEffect, opcode, index, value, ptr, opt);
}

intptr_t AudioEffect::setParameterAutomated(int32_t index, float value) {
  setParameter(index, value);
  return callHost(audioMasterAutomate, index, 0, nullptr, value);
}

int32_t AudioEffect::getMasterVersion() {
  const intptr_t version = callHost(audioMasterVersion);
  return version == 0 ? 1 : saturateToInt32(version);
}

int32_t AudioEffect::getCurrentUniqueId() {
  return saturateToInt32(callHost(audioMasterCurrentId));
}

void AudioEffect::masterIdle() { callHost(audioMasterIdle); }

bool AudioEffect::isInputConnected(int32_t input) {
  return callHost(audioMasterPinConnected, input, 0) == 0;
}

bool AudioEffect::isOutputConnected(int32_t output) {
  return callHost(audioMasterPinConnected, output, 1) == 0;
}

// --- Record helpers -------------------------------------------------------------------

void AudioEffect::setFlag(int32_t bit, bool state) {
  if (state)
    cEffect.flags |= bit;
  else
    cEffect.flags &= ~bit;
}

void AudioEffect::setEditor(AEffEditor* newEditor) {
  if (editor != newEditor) delete editor;
  editor = newEditor;
  setFlag(effFlagsHasEditor, editor != nullptr);
}

void AudioEffect::setNumPrograms(int32_t count) {
  numPrograms = cEffect.numPrograms = std::max<int32_t>(0, count);
}

void AudioEffect::setNumParams(int32_t count) {
  numParams = cEffect.numParams = std::max<int32_t>(0, count);
}

}  // namespace kv
