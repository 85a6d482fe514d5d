// Adapter test objects: an effect and an editor derived from the adapter classes that
// write the calls they receive (with their arguments) into a log the test owns, so the
// log outlives the object when effClose deletes it.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "plugin/aeff_editor.h"
#include "plugin/audio_effect_x.h"

namespace kv::test {

using Log = std::vector<std::string>;

class TestEffect : public AudioEffectX {
 public:
  TestEffect(vst::audioMasterCallback cb, Log& log, int32_t programs = 4, int32_t params = 3)
      : AudioEffectX(cb, programs, params), log(log) {}
  ~TestEffect() override { log.push_back("destroyed"); }

  void fail(const char* where) {
    if (throwing) throw std::runtime_error(where);
  }

  void setParameter(int32_t index, float value) override {
    log.push_back("setParameter(" + std::to_string(index) + "," + std::to_string(value) + ")");
    fail("setParameter");
  }
  float getParameter(int32_t index) override {
    fail("getParameter");
    return 0.25f;
  }
  void process(float**, float**, int32_t frames) override {
    log.push_back("process(" + std::to_string(frames) + ")");
    fail("process");
  }
  void processReplacing(float**, float**, int32_t frames) override {
    log.push_back("processReplacing(" + std::to_string(frames) + ")");
    fail("processReplacing");
  }
  void open() override { log.push_back("open"); }
  void close() override {
    log.push_back("close");
    fail("close");
  }
  void setProgram(int32_t program) override {
    log.push_back("setProgram(" + std::to_string(program) + ")");
    AudioEffectX::setProgram(program);
  }
  float getVu() override {
    fail("getVu");
    return vu;
  }
  int32_t getChunk(void** data, bool isPreset) override {
    log.push_back(isPreset ? "getChunk(preset)" : "getChunk(bank)");
    *data = chunk;
    return static_cast<int32_t>(sizeof chunk);
  }
  int32_t setChunk(void*, int32_t size, bool isPreset) override {
    log.push_back("setChunk(" + std::to_string(size) + (isPreset ? ",preset)" : ",bank)"));
    return 1;
  }
  void suspend() override { log.push_back("suspend"); }
  void resume() override { log.push_back("resume"); }
  int32_t processEvents(vst::VstEvents*) override {
    log.push_back("processEvents");
    return 1;
  }
  bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override {
    log.push_back("getProgramNameIndexed(" + std::to_string(category) + "," +
                  std::to_string(index) + ")");
    return false;
  }
  void inputConnected(int32_t index, bool state) override {
    log.push_back("inputConnected(" + std::to_string(index) + "," + std::to_string(state) + ")");
  }
  void outputConnected(int32_t index, bool state) override {
    log.push_back("outputConnected(" + std::to_string(index) + "," + std::to_string(state) +
                  ")");
  }
  intptr_t vendorSpecific(int32_t index, intptr_t value, void*, float) override {
    log.push_back("vendorSpecific(" + std::to_string(index) + "," + std::to_string(value) + ")");
    return index + value;
  }
  int32_t canDo(char* text) override { return std::string(text) == "yes" ? 1 : -1; }

  float vu = 0.5f;
  bool throwing = false;
  char chunk[5] = {1, 2, 3, 4, 5};

 private:
  Log& log;
};

class TestEditor : public AEffEditor {
 public:
  TestEditor(AudioEffect* effect, Log& log) : AEffEditor(effect), log(log) {}
  ~TestEditor() override { log.push_back("editor destroyed"); }

  bool getRect(vst::ERect** r) override {
    *r = &rect;
    return true;
  }
  bool open(void* window) override {
    AEffEditor::open(window);
    log.push_back("editor open");
    return true;
  }
  void close() override { log.push_back("editor close"); }
  void update() override { log.push_back("editor update"); }
  int32_t onKeyDown(vst::VstKeyCode& key) override {
    lastKey = key;
    log.push_back("keyDown");
    return 1;
  }
  int32_t onKeyUp(vst::VstKeyCode& key) override {
    lastKey = key;
    log.push_back("keyUp");
    return 1;
  }
  int32_t setKnobMode(int32_t mode) override { return mode + 10; }

  vst::ERect rect{0, 0, 300, 400};
  vst::VstKeyCode lastKey{};

 private:
  Log& log;
};

}  // namespace kv::test
