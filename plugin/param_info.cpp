#include "plugin/param_info.h"

#include <cmath>

#include "doc/model/generic_parameter.h"

namespace kv {

param_info::~param_info() {
  if (parameter_) parameter_->detach(this);
}

void param_info::attach(HostAutomation* host, generic_parameter* parameter, int32_t index) {
  dirty_.store(false, std::memory_order_release);
  if (parameter_) parameter_->detach(this);
  host_ = host;
  parameter_ = parameter;
  index_ = index;
  if (parameter_) {
    parameter_->attach(this);
    setValue(static_cast<float>(parameter_->getNormalised()));
  }
}

bool param_info::storeFromHost(float value) {
  const uint32_t bits = std::bit_cast<uint32_t>(value);
  if (value_bits_.load(std::memory_order_acquire) == bits) return false;
  value_bits_.store(bits, std::memory_order_release);
  unsynced_.store(true, std::memory_order_release);
  dirty_.store(true, std::memory_order_release);
  return true;
}

void param_info::applyToControl() {
  if (!takeDirty()) return;
  unsynced_.store(true, std::memory_order_release);
  syncToControl();
}

void param_info::syncToControl() {
  if (!unsynced_.exchange(false, std::memory_order_acq_rel) || !parameter_) return;
  from_host_ = true;
  parameter_->setNormalised(value());
  from_host_ = false;
}

void param_info::onNotify(Notifier* from, int32_t code, intptr_t argument) {
  if (parameter_ == nullptr || from != static_cast<Notifier*>(parameter_)) return;
  if (code == kNotifyDestroyed) {
    parameter_ = nullptr;
    return;
  }
  if (code != kNotifyValueChanged) return;
  if (dirty()) return;
  if (argument == 1) unsynced_.store(false, std::memory_order_release);

  const float v = static_cast<float>(parameter_->getNormalised());
  if (std::bit_cast<uint32_t>(v) == value_bits_.load(std::memory_order_acquire)) return;
  setValue(v);
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
