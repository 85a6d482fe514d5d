// param_info: the link between one host parameter and the panel control behind it.
//
// Values travel both ways. From the host, setParameter stores the new value here and marks it
// dirty; the audio thread hands dirty values to the control's unit generator at the start of
// its next run, or, with no engine, the user-interface thread writes it into the control. From
// the patch, the control announces a changed value (code 31) and the link decides whether the
// host hears it as automation.
//
// Threads. Hosts call setParameter and getParameter from their user-interface thread and,
// during automation playback, from the audio thread. The value is therefore kept as atomic
// float bits and `dirty` as an atomic flag: a host call costs one load, one compare and two
// stores and never touches the control. Everything that does touch the control (attach,
// onNotify, applyToControl) runs on the user-interface thread.
#pragma once

#include <atomic>
#include <bit>
#include <cstdint>

#include "doc/model/notifier.h"

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
  float value() const { return std::bit_cast<float>(value_bits_.load(std::memory_order_acquire)); }
  // Any thread: a value from the host. Answers false, changing nothing, when it equals the
  // cached value. Otherwise stores it and marks it dirty.
  bool storeFromHost(float value);
  bool dirty() const { return dirty_.load(std::memory_order_acquire); }
  // Clears the dirty mark; answers whether it was set (the caller then hands value() on).
  bool takeDirty() { return dirty_.exchange(false, std::memory_order_acq_rel); }

  // User-interface thread, no engine: writes a dirty value into the control (marked as
  // coming from the host, so it is not echoed back as automation).
  void applyToControl();
  // User-interface thread, also while an engine runs: writes a host value that the control
  // does not hold yet into it (before the control's values are saved).
  void syncToControl();

  // Code 8 forgets the control; code 31 re-reads its value and reports it to the host when
  // the control's host-notification rules allow. While a host value is still on its way to
  // the engine, the control's older value does not replace it.
  void onNotify(Notifier* from, int32_t code, intptr_t argument) override;

 private:
  void setValue(float v) {
    value_bits_.store(std::bit_cast<uint32_t>(v), std::memory_order_release);
  }

  int32_t index_ = -1;
  generic_parameter* parameter_ = nullptr;
  HostAutomation* host_ = nullptr;
  std::atomic<uint32_t> value_bits_{0};
  std::atomic<bool> dirty_{false};
  // A host value the control has not taken yet (it reaches the control through the engine).
  std::atomic<bool> unsynced_{false};
  bool from_host_ = false;
};

// A host value made safe: NaN is refused (false), anything else is clamped to 0..1.
bool sanitiseHostValue(float& value);

}  // namespace kv
