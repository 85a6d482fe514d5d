#pragma once
// The message service: where refusals of user actions and run-time problems end up.
//
// Code anywhere in the document calls showMessage(text, icon). The text goes to the service
// that is current on the calling thread (MessageServiceScope), or to the process-wide default
// service when none is set. What the service does with it:
//
//  - On the audio thread (marked with AudioThreadScope) nothing is shown, locked or allocated:
//    the text is copied into one of a fixed number of preallocated slots and presented later
//    by flushQueued() on the user-interface thread. When every slot is taken the text is
//    dropped and counted.
//  - Inside a host call (marked with HostCallScope: loading, setChunk, resume ...) the text is
//    queued, so that the host call never waits for a dialog; the editor's idle call shows it
//    with flushQueued().
//  - Otherwise it is presented at once: the presenter hook (set by the panel to show a modal
//    in-panel dialog) gets it; without a presenter the text is written to standard error.
//
// Every presented text is also kept (up to a limit) so that tests can read what was shown.
#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace kv {

enum class MessageIcon { Plain, Exclamation, Information };

struct Message {
  std::string text;
  MessageIcon icon = MessageIcon::Plain;
};

class MessageService {
 public:
  using Presenter = std::function<void(const Message&)>;

  static constexpr std::size_t kAudioSlots = 32;
  static constexpr std::size_t kAudioSlotBytes = 256;
  static constexpr std::size_t kKeptLimit = 1000;

  MessageService();
  ~MessageService();
  MessageService(const MessageService&) = delete;
  MessageService& operator=(const MessageService&) = delete;

  // The process-wide service used when no scope names another one.
  static MessageService& defaultService();
  // The service that showMessage uses on the calling thread.
  static MessageService& current();

  // Presents, queues or (on the audio thread) stores the text, as described above.
  void show(const std::string& text, MessageIcon icon = MessageIcon::Plain);
  // Audio-thread entry: never allocates or locks. Texts longer than a slot are cut.
  void post(const char* text, MessageIcon icon = MessageIcon::Plain) noexcept;

  // Presents every queued text in the order raised (user-interface thread only).
  void flushQueued();
  std::size_t queuedCount() const;
  std::size_t droppedCount() const { return dropped_.load(std::memory_order_relaxed); }

  // The hook through which the panel shows a modal dialog; an empty function restores the
  // headless behaviour (standard error).
  void setPresenter(Presenter presenter);
  // Headless services can be kept quiet on standard error (tests); texts are still kept.
  void setLogToStderr(bool on);

  // Texts presented so far (oldest first) and a way to forget them.
  std::vector<Message> shown() const;
  std::vector<std::string> shownTexts() const;
  void clearShown();

 private:
  void present(const Message& message);
  void drainAudioSlots(std::vector<Message>& out);

  struct Slot {
    std::atomic<int> state{0};  // 0 free, 1 being written, 2 full
    std::atomic<unsigned long long> sequence{0};
    MessageIcon icon = MessageIcon::Plain;
    char text[kAudioSlotBytes] = {};
  };

  mutable std::mutex mutex_;
  Presenter presenter_;
  bool log_to_stderr_ = true;
  std::vector<Message> queued_;
  std::vector<Message> shown_;
  Slot slots_[kAudioSlots];
  std::atomic<unsigned long long> next_sequence_{1};
  std::atomic<std::size_t> dropped_{0};
};

// Makes a service current on this thread for the scope's life (the plug-in sets its own).
class MessageServiceScope {
 public:
  explicit MessageServiceScope(MessageService& service);
  ~MessageServiceScope();
  MessageServiceScope(const MessageServiceScope&) = delete;
  MessageServiceScope& operator=(const MessageServiceScope&) = delete;

 private:
  MessageService* previous_;
};

// Marks the calling thread as the audio thread for the scope's life.
class AudioThreadScope {
 public:
  AudioThreadScope();
  ~AudioThreadScope();
  AudioThreadScope(const AudioThreadScope&) = delete;
  AudioThreadScope& operator=(const AudioThreadScope&) = delete;

 private:
  bool previous_;
};

// Marks the calling thread as being inside a host call: texts are queued, not shown.
class HostCallScope {
 public:
  HostCallScope();
  ~HostCallScope();
  HostCallScope(const HostCallScope&) = delete;
  HostCallScope& operator=(const HostCallScope&) = delete;
};

bool isAudioThread() noexcept;
bool insideHostCall() noexcept;

// Shows a text through the current service (the system's message box).
void showMessage(const std::string& text, MessageIcon icon = MessageIcon::Plain);

}  // namespace kv
