// One VST 2 plug-in loaded from a shared library and driven through its dispatcher.
//
// Loading: the library is opened (every symbol bound now, kept local), the entry point
// is looked up as `VSTPluginMain`, then as `main`, and called with the host callback;
// the record it returns must carry the VST magic and a dispatcher and at least one
// process function. The plug-in is then opened (effOpen). Destroying the object ends
// the plug-in's life in order: suspend if still resumed, effClose, then unload the
// library.
//
// Host callbacks are routed without any global list: once the entry point has
// returned, the record's host-reserved word `resvd1` holds the `VstPlugin`. Plug-ins
// also call back while their entry point runs, with a null record or with their own
// record not yet returned (whose `resvd1` may hold anything); every call made on the
// loading thread during the entry call is tied to the plug-in being loaded. A call
// that matches neither gets only the instance-independent answers.
//
// Strings read from the plug-in go into zeroed 256-byte buffers with a forced
// terminator, since plug-ins write past the nominal VST limits. Indexes passed in are
// range-checked against the record's counts. Editor opcodes are never sent.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/dynamic_library.h"
#include "platform/vst/aeffect.h"

namespace kv {

class VstHost;

enum class VstLoadError {
  FileNotFound,       // nothing at the path
  NotLoadable,        // the loader refused the file (not a shared library, missing dependency)
  NoEntryPoint,       // neither VSTPluginMain nor main is exported
  EntryReturnedNull,  // the plug-in refused to load
  BadRecord,          // the entry answered something that is not a VST 2 effect record
};

struct VstLoadFailure {
  VstLoadError kind = VstLoadError::NotLoadable;
  std::string message;  // one line, naming the file
};

class VstPlugin {
 public:
  // Loads and opens the plug-in at `path`, answering its callbacks through `host`
  // (which must outlive the plug-in). Null with `failure` filled in when it fails.
  static std::unique_ptr<VstPlugin> load(const std::string& path, VstHost& host,
                                         VstLoadFailure& failure);
  ~VstPlugin();

  VstPlugin(const VstPlugin&) = delete;
  VstPlugin& operator=(const VstPlugin&) = delete;

  const std::string& path() const { return path_; }
  vst::AEffect* effect() const { return effect_; }
  VstHost& host() const { return host_; }

  // The raw dispatcher call.
  intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0.0f) const;

  // --- Record fields --------------------------------------------------------------
  int32_t numPrograms() const { return effect_->numPrograms; }
  int32_t numParams() const { return effect_->numParams; }
  int32_t numInputs() const { return effect_->numInputs; }
  int32_t numOutputs() const { return effect_->numOutputs; }
  int32_t flags() const { return effect_->flags; }
  int32_t uniqueId() const { return effect_->uniqueID; }
  int32_t version() const { return effect_->version; }
  int32_t initialDelay() const { return effect_->initialDelay; }
  bool hasFlag(int32_t flag) const { return (effect_->flags & flag) != 0; }

  // --- Descriptions ---------------------------------------------------------------
  std::string effectName() const;
  std::string vendorString() const;
  std::string productString() const;
  int32_t vendorVersion() const;
  int32_t vstVersion() const;
  int32_t category() const;
  // 1 yes, -1 no, 0 cannot tell.
  int32_t canDo(const std::string& word) const;
  intptr_t tailSize() const;

  std::string parameterName(int32_t index) const;
  std::string parameterLabel(int32_t index) const;
  std::string parameterDisplay(int32_t index) const;
  float parameter(int32_t index) const;          // 0 for an index out of range
  bool setParameter(int32_t index, float value);  // false for an index out of range

  int32_t program() const;
  bool setProgram(int32_t program);  // false unless 0 <= program < numPrograms
  // The name of program `index`: by index when the plug-in supports that, else by
  // selecting the program, reading its name and selecting the previous one again.
  std::string programName(int32_t index);
  std::string currentProgramName() const;

  // --- State ----------------------------------------------------------------------
  // The plug-in's state as a chunk (bank, or the current program when `preset`).
  // Empty when the plug-in keeps no chunk.
  std::vector<uint8_t> chunk(bool preset) const;
  // Gives a chunk back; answers the plug-in's result (non-zero is success for most).
  intptr_t setChunk(const std::vector<uint8_t>& data, bool preset);

  // --- Processing set-up ----------------------------------------------------------
  // The sample rate and block size are also what the host answers when asked.
  void setSampleRate(float rate);
  void setBlockSize(int32_t frames);
  float sampleRate() const { return sampleRate_; }
  int32_t blockSize() const { return blockSize_; }

  void resume();   // effMainsChanged 1
  void suspend();  // effMainsChanged 0
  void startProcess();
  void stopProcess();
  bool resumed() const { return resumed_; }

  // --- Processing (audio thread) ----------------------------------------------------
  void processEvents(vst::VstEvents* events);
  // Runs one block: processReplacing when the plug-in can replace, otherwise the
  // accumulating process on outputs cleared first. `inputs` and `outputs` hold
  // numInputs and numOutputs channel pointers. A count of 0 is not passed on.
  void process(float** inputs, float** outputs, int32_t frames);

  // The host callback every loaded plug-in gets.
  static intptr_t hostCallback(vst::AEffect* effect, int32_t opcode, int32_t index,
                               intptr_t value, void* ptr, float opt);

 private:
  VstPlugin(std::string path, VstHost& host);
  std::string readString(int32_t opcode, int32_t index) const;

  std::string path_;
  VstHost& host_;
  DynamicLibrary library_;
  vst::AEffect* effect_ = nullptr;
  float sampleRate_ = 44100.0f;
  int32_t blockSize_ = 1024;
  bool resumed_ = false;
  bool processing_ = false;
};

// "ABCD" for a four-character id whose bytes are printable, else empty.
std::string fourCharacterText(int32_t id);

}  // namespace kv
