#include "plugin/param_info.h"

#include <cmath>

#include "document/model/generic_parameter.h"

namespace kv {

param_info::~param_info() {
  if (parameter_) parameter_->detach(this);
}

void param_info::attach(HostAutomation* host, generic_parameter* parameter, int32_t index) {
  if (parameter_) parameter_->detach(this);
  host_ = host;
  parameter_ = parameter;
  index_ = index;
  uint64_t word = state_.load(std::memory_order_acquire) & ~(kDirty | kUnsynced | kValueMask);
  if (parameter_) {
    parameter_->attach(this);
    word |= bitsOf(static_cast<float>(parameter_->getNormalised()));
  } else {
    word |= bitsOf(value());
  }
  state_.store(word, std::memory_order_release);
}

bool param_info::storeFromHost(float value) {
  const uint64_t bits = bitsOf(value);
  uint64_t word = state_.load(std::memory_order_acquire);
  for (;;) {
    if ((word & kValueMask) == bits) return false;
    const uint64_t stores = (word >> kStoreShift) + 1;
    const uint64_t next = stores << kStoreShift | kDirty | kUnsynced | bits;
    if (state_.compare_exchange_weak(word, next, std::memory_order_acq_rel, std::memory_order_acquire))
      return true;
  }
}

bool param_info::takeDirty(float& value) {
  uint64_t word = state_.load(std::memory_order_acquire);
  for (;;) {
    if ((word & kDirty) == 0) return false;
    if (state_.compare_exchange_weak(word, word & ~kDirty, std::memory_order_acq_rel,
                                     std::memory_order_acquire)) {
      value = valueOf(word);
      return true;
    }
  }
}

void param_info::applyToControl() {
  // Both marks go in one step: the control takes the value once, and a host value stored
  // after the step is marked again (for the engine, or for the next call that writes
  // controls) instead of being written a second time into whatever program is current then.
  writeIntoControl(kDirty | kUnsynced);
}

void param_info::syncToControl() {
  // A host value stored after the swap is marked again and written by a later call.
  writeIntoControl(kUnsynced);
}

void param_info::writeIntoControl(uint64_t marks) {
  uint64_t word = state_.load(std::memory_order_acquire);
  for (;;) {
    if ((word & marks) == 0) return;
    if (state_.compare_exchange_weak(word, word & ~marks, std::memory_order_acq_rel,
                                     std::memory_order_acquire))
      break;
  }
  if (!parameter_) return;
  from_host_ = true;
  parameter_->setNormalised(valueOf(word));
  from_host_ = false;
}

void param_info::onNotify(Notifier* from, int32_t code, intptr_t argument) {
  if (parameter_ == nullptr || from != static_cast<Notifier*>(parameter_)) return;
  if (code == kNotifyDestroyed) {
    parameter_ = nullptr;
    return;
  }
  if (code != kNotifyValueChanged) return;
  const uint64_t word = state_.load(std::memory_order_acquire);
  // A host value still on its way to the engine outranks the control's older value.
  if (word & kDirty) return;

  const float v = static_cast<float>(parameter_->getNormalised());
  // The engine's refresh brings the control in step with what the engine holds.
  const uint64_t flags = argument == 1 ? word & ~(kValueMask | kUnsynced) : word & ~kValueMask;
  const uint64_t next = flags | bitsOf(v);
  if (next == word) return;
  if (race_hook_) race_hook_(race_context_);
  // Fails only when the host stored a value since the read: the host's value stays.
  uint64_t expected = word;
  if (!state_.compare_exchange_strong(expected, next, std::memory_order_acq_rel, std::memory_order_acquire))
    return;
  if ((word & kValueMask) == bitsOf(v)) return;
  if (!parameter_->alwaysNotifyHost()) {
    // Changes made by the running engine, or echoes of the host's own value, stay quiet.
    if (argument == 1 || from_host_) return;
    if (!parameter_->notifyHostOnEdit()) return;
  }
  if (host_) host_->automateHostParameter(index_, v);
}

bool sanitiseHostValue(float& value) {
  if (std::isnan(value)) return false;
  if (value < 0.0f) value = 0.0f;
  if (value > 1.0f) value = 1.0f;
  return true;
}

}  // namespace kv
