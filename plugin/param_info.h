// param_info: the link between one host parameter and the panel control behind it.
//
// Values travel both ways. From the host, setParameter stores the new value here and marks it
// dirty; the audio thread hands dirty values to the control's unit generator at the start of
// its next run, or, with no engine, the user-interface thread writes it into the control. From
// the patch, the control announces a changed value (kNotifyValueChanged) and the link decides whether the
// host hears it as automation.
//
// Threads. Hosts call setParameter and getParameter from their user-interface thread and,
// during automation playback, from the audio thread. Everything that touches the control
// (attach, onNotify, applyToControl, syncToControl) runs on the user-interface thread.
//
// The hand-over is one atomic 64-bit word: the value's float bits, a `dirty` bit (the
// engine has not received the host's value), an `unsynced` bit (the control has not taken
// it) and a count of host stores. Every change is a compare-and-swap on the whole word, so
// value and marks always change together and a side that read the word before another
// side changed it fails its swap instead of overwriting. In particular a control change
// read on the user-interface thread never replaces a host value that arrived meanwhile:
// its swap fails (the store count moved) and the host's value stays, dirty, for the engine.
// A host call costs one load and, for a new value, one swap; it never touches the control.
#pragma once

#include <atomic>
#include <bit>
#include <cstdint>

#include "document/model/notifier.h"

namespace kv {

class generic_parameter;

// Where a link sends a control change that the host should record as automation.
class HostAutomation {
 public:
  virtual ~HostAutomation() = default;
  virtual void automateHostParameter(int32_t index, float value) = 0;
};

class param_info : public Notifiable {
 public:
  param_info() = default;
  ~param_info() override;
  param_info(const param_info&) = delete;
  param_info& operator=(const param_info&) = delete;

  // Links host parameter `index` to `parameter`, watches it and reads its value.
  void attach(HostAutomation* host, generic_parameter* parameter, int32_t index);

  int32_t index() const { return index_; }
  // The watched control; null once it announced its destruction.
  generic_parameter* parameter() const { return parameter_; }

  // Any thread: the last value known to the host.
  float value() const { return valueOf(state_.load(std::memory_order_acquire)); }
  // Any thread: a value from the host. Answers false, changing nothing, when it equals the
  // cached value. Otherwise stores it and marks it dirty and unsynced.
  bool storeFromHost(float value);
  bool dirty() const { return (state_.load(std::memory_order_acquire) & kDirty) != 0; }
  // Clears the dirty mark; answers whether it was set, and then the value it marked (read
  // in the same step, so a later host value stays dirty for the next taker).
  bool takeDirty(float& value);

  // User-interface thread: writes a host value the control does not hold yet (dirty or
  // unsynced) into it and clears both marks, so the value reaches the engine through the
  // control (marked as coming from the host, so it is not echoed back as automation).
  void applyToControl();
  // User-interface thread, also while an engine runs: writes a host value that the control
  // does not hold yet into it (before the control's values are saved).
  void syncToControl();

  // kNotifyDestroyed forgets the control; kNotifyValueChanged re-reads its value and reports it to the host when
  // the control's host-notification rules allow. While a host value is still on its way to
  // the engine, the control's older value does not replace it.
  void onNotify(Notifier* from, int32_t code, intptr_t argument) override;

  // Tests: runs between onNotify's read of the word and its swap, so a test can place a
  // host store exactly there. Null in use.
  using RaceHook = void (*)(void* context);
  void setRaceHookForTest(RaceHook hook, void* context) {
    race_hook_ = hook;
    race_context_ = context;
  }

 private:
  // Clears `marks` in one swap when any is set, then writes the value it held into the
  // control (as coming from the host).
  void writeIntoControl(uint64_t marks);

  static constexpr uint64_t kValueMask = 0xFFFFFFFFull;
  static constexpr uint64_t kDirty = 1ull << 32;
  static constexpr uint64_t kUnsynced = 1ull << 33;
  static constexpr int kStoreShift = 40;  // host-store count in bits 40-63
  static float valueOf(uint64_t word) { return std::bit_cast<float>(static_cast<uint32_t>(word & kValueMask)); }
  static uint64_t bitsOf(float v) { return std::bit_cast<uint32_t>(v); }

  int32_t index_ = -1;
  generic_parameter* parameter_ = nullptr;
  HostAutomation* host_ = nullptr;
  std::atomic<uint64_t> state_{0};
  bool from_host_ = false;
  RaceHook race_hook_ = nullptr;
  void* race_context_ = nullptr;
};

// A host value made safe: NaN is refused (false), anything else is clamped to 0..1.
bool sanitiseHostValue(float& value);

}  // namespace kv
