#pragma once
// ParamWatcher: the convenience watcher of everything that shows or mirrors one parameter.
#include "document/model/notifier.h"

namespace kv {

class ParamWatcher;

class ParamWatcherHelper : public Notifiable {
 public:
  explicit ParamWatcherHelper(ParamWatcher* owner) : owner_(owner) {}
  // 8 forgets the parameter, 31 value changed, 37 choices changed, 38 contents changed.
  void onNotify(Notifier* from, int32_t code, intptr_t argument) override;

 private:
  ParamWatcher* owner_;
};

class ParamWatcher {
 public:
  ParamWatcher() : helper_(this) {}
  virtual ~ParamWatcher();
  ParamWatcher(const ParamWatcher&) = delete;
  ParamWatcher& operator=(const ParamWatcher&) = delete;

  // argument: 1 when the value came from the running engine (a refresh), else 0.
  virtual void onValueChanged(intptr_t argument) = 0;
  virtual void onChoicesChanged() {}
  virtual void onContentsChanged() {}
  // Watches another parameter (or none): detaches from the old one, attaches to the new one
  // and calls onValueChanged once so that the watcher starts in step.
  virtual void setParameter(Notifier* parameter);

  Notifier* parameter() const { return parameter_; }

 private:
  friend class ParamWatcherHelper;
  Notifier* parameter_ = nullptr;
  ParamWatcherHelper helper_;
};

}  // namespace kv
