#include "document/model/notifier.h"

#include <algorithm>

namespace kv {

Notifier::~Notifier() {
  for (Frame* f = frames_; f; f = f->outer) f->subject_gone = true;
}

void Notifier::attach(Notifiable* watcher) {
  if (!watcher || destroyed_) return;
  if (isAttached(watcher)) return;
  watchers_.push_back(watcher);
}

void Notifier::detach(Notifiable* watcher) {
  auto it = std::find(watchers_.begin(), watchers_.end(), watcher);
  if (it == watchers_.end() || !watcher) return;
  if (frames_) {
    *it = nullptr;
    has_holes_ = true;
  } else {
    watchers_.erase(it);
  }
}

bool Notifier::isAttached(const Notifiable* watcher) const {
  return watcher && std::find(watchers_.begin(), watchers_.end(), watcher) != watchers_.end();
}

int Notifier::watcherCount() const {
  return static_cast<int>(std::count_if(watchers_.begin(), watchers_.end(),
                                        [](Notifiable* w) { return w != nullptr; }));
}

void Notifier::notify(int32_t code, intptr_t argument) {
  Frame frame{frames_, false};
  frames_ = &frame;
  const std::size_t count = watchers_.size();
  for (std::size_t i = 0; i < count; ++i) {
    Notifiable* w = watchers_[i];
    if (!w) continue;
    w->onNotify(this, code, argument);
    if (frame.subject_gone) return;  // the subject was destroyed inside the call
  }
  frames_ = frame.outer;
  if (!frames_ && has_holes_) compact();
}

void Notifier::compact() {
  watchers_.erase(std::remove(watchers_.begin(), watchers_.end(), nullptr), watchers_.end());
  has_holes_ = false;
}

void Notifier::notifyDestroyed() {
  if (destroyed_) return;
  notify(kNotifyDestroyed, 0);
  destroyed_ = true;
  if (frames_) {
    std::fill(watchers_.begin(), watchers_.end(), nullptr);
    has_holes_ = true;
  } else {
    watchers_.clear();
  }
}

}  // namespace kv
