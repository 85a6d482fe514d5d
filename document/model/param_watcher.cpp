#include "document/model/param_watcher.h"

namespace kv {

void ParamWatcherHelper::onNotify(Notifier* from, int32_t code, intptr_t argument) {
  if (from != owner_->parameter_) return;
  switch (code) {
    case kNotifyDestroyed: owner_->setParameter(nullptr); break;
    case kNotifyValueChanged: owner_->onValueChanged(argument); break;
    case kNotifyParameterChoicesChanged: owner_->onChoicesChanged(); break;
    case kNotifyParameterContentsChanged: owner_->onContentsChanged(); break;
    default: break;
  }
}

ParamWatcher::~ParamWatcher() {
  if (parameter_) parameter_->detach(&helper_);
}

void ParamWatcher::setParameter(Notifier* parameter) {
  if (parameter_ && parameter_ != parameter) parameter_->detach(&helper_);
  parameter_ = parameter;
  if (parameter_) {
    parameter_->attach(&helper_);
    onValueChanged(0);
  }
}

}  // namespace kv
