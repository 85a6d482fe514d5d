// The editor seen from the plug-in boundary.
//
// The host opens, idles and closes the plug-in's window through the effect's
// dispatcher; the dispatcher forwards those opcodes to the effect's editor object. This
// base class holds what every editor shares (its effect, the host's window, a pending
// update) and the answers an editor gives when it does not override an operation. The
// adapter owns the editor: the effect deletes it in its destructor.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/vst/aeffect.h"

namespace kv {

class AudioEffect;

class AEffEditor {
 public:
  explicit AEffEditor(AudioEffect* effect) : effect(effect) {}
  AEffEditor(const AEffEditor&) = delete;
  AEffEditor& operator=(const AEffEditor&) = delete;
  virtual ~AEffEditor() = default;

  // effEditGetRect, UI thread, before the host sizes its window (usually before open):
  // stores the address of the editor's rectangle. The default has none: it stores null
  // and answers false.
  virtual bool getRect(vst::ERect** rect);
  // effEditOpen, UI thread: `window` is the host's parent window (an X11 window id on
  // Linux). The default remembers it and answers false.
  virtual bool open(void* window);
  // effEditClose, UI thread: the host is about to destroy the parent window.
  virtual void close() {}
  // effEditIdle, UI thread, periodically while the window is open: runs a pending
  // update.
  virtual void idle();
  // Redraws what changed; called from idle on the UI thread.
  virtual void update() {}
  // Asks for an update at the next idle. Any thread may call it.
  virtual void postUpdate() { updateFlag.store(1, std::memory_order_release); }
  // effEditKeyDown / effEditKeyUp, UI thread: answer 1 when the key was used, -1 when
  // the editor does not take keys (the default), so the host handles it.
  virtual int32_t onKeyDown(vst::VstKeyCode& keyCode) { return -1; }
  virtual int32_t onKeyUp(vst::VstKeyCode& keyCode) { return -1; }
  // effSetEditKnobMode, UI thread.
  virtual int32_t setKnobMode(int32_t mode) { return 0; }
  // Mouse wheel seen by the host window; false: not used.
  virtual bool onWheel(float distance) { return false; }

  AudioEffect* getEffect() const { return effect; }
  void* getSystemWindow() const { return systemWindow; }

 protected:
  AudioEffect* effect;
  void* systemWindow = nullptr;
  std::atomic<int32_t> updateFlag{0};
};

}  // namespace kv
