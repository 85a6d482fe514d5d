#pragma once
// Watchers and subjects: how any document object tells interested parties that it changed.
//
// A Notifier keeps an ordered list of Notifiable watchers and calls each one synchronously
// with a code and an argument. A watcher may do almost anything inside a notice: detach
// itself or any other watcher, attach new ones, send another notice through the same
// subject, or destroy the subject. To stay safe:
//  - detaching during a notice only clears the watcher's slot; the list is compacted when the
//    outermost notice of this subject ends, so no watcher is skipped or called twice and a
//    detached watcher is never called again;
//  - watchers attached during a notice are not called by that notice (they start with the
//    next one);
//  - every notice in progress keeps a frame on its own stack; the subject's destructor marks
//    those frames, and the notice loop returns without touching the dead subject.
// kNotifyDestroyed is sent by notifyDestroyed(), which the most-derived destructor
// calls first, so watchers that look at the object still see it whole. It is sent once;
// afterwards the list is empty and attaching is refused.
#include <cstdint>
#include <vector>

namespace kv {

// Notification codes used by the document side.
enum NotifyCode : int32_t {
  kNotifyDestroyed = 8,
  kNotifySelected = 9,
  kNotifyNameChanged = 10,
  kNotifyChildChanged = 14,
  kNotifyChildGoing = 16,       // a child object leaves a container (argument: the object)
  kNotifyChildAdded = 17,       // a child object joins a container (argument: the object)
  kNotifyDisabledChanged = 19,
  kNotifyPeerChoicesChanged = 27,
  kNotifyProgramChanged = 28,
  kNotifyValueChanged = 31,
  kNotifyControllerChanged = 32,
  kNotifyNrpnChanged = 33,
  kNotifyRectChanged = 35,
  kNotifyParameterChoicesChanged = 37,
  kNotifyParameterContentsChanged = 38,
  kNotifyPatchSelectChanged = 39,
  kNotifySpareLockChanged = 44,
  kNotifyPortalChanged = 48,
  kNotifyObjectAdded = 51,
  kNotifyRemoving = 18,
};

class Notifier;

class Notifiable {
 public:
  virtual ~Notifiable() = default;
  virtual void onNotify(Notifier* from, int32_t code, intptr_t argument) = 0;
};

class Notifier {
 public:
  Notifier() = default;
  virtual ~Notifier();
  Notifier(const Notifier&) = delete;
  Notifier& operator=(const Notifier&) = delete;

  // Appends the watcher (once: a watcher already attached is not added again).
  void attach(Notifiable* watcher);
  // Removes the watcher; no effect when it is not attached.
  void detach(Notifiable* watcher);
  void notify(int32_t code, intptr_t argument = 0);

  bool isAttached(const Notifiable* watcher) const;
  int watcherCount() const;

 protected:
  // Sends kNotifyDestroyed once and empties the list; call it first in the most-derived destructor.
  void notifyDestroyed();
  bool destroyedNotified() const { return destroyed_; }

 private:
  struct Frame {
    Frame* outer;
    bool subject_gone;
  };
  void compact();

  std::vector<Notifiable*> watchers_;
  Frame* frames_ = nullptr;
  bool has_holes_ = false;
  bool destroyed_ = false;
};

// A subject whose destruction announces itself (kNotifyDestroyed) to its watchers.
class Notifier2 : public Notifier {
 public:
  ~Notifier2() override { notifyDestroyed(); }
};

}  // namespace kv
