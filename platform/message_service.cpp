#include "platform/message_service.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kv {

namespace {
thread_local MessageService* t_current = nullptr;
thread_local bool t_audio_thread = false;
thread_local int t_host_call_depth = 0;

const char* iconWord(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Exclamation: return "!";
    case MessageIcon::Information: return "i";
    default: return "-";
  }
}
}  // namespace

MessageService::MessageService() = default;
MessageService::~MessageService() = default;

MessageService& MessageService::defaultService() {
  static MessageService service;
  return service;
}

MessageService& MessageService::current() {
  return t_current ? *t_current : defaultService();
}

bool isAudioThread() noexcept { return t_audio_thread; }
bool insideHostCall() noexcept { return t_host_call_depth > 0; }

void MessageService::show(const std::string& text, MessageIcon icon) {
  if (t_audio_thread) {
    post(text.c_str(), icon);
    return;
  }
  Message message{text, icon};
  if (t_host_call_depth > 0) {
    std::lock_guard<std::mutex> lock(mutex_);
    queued_.push_back(std::move(message));
    return;
  }
  present(message);
}

void MessageService::post(const char* text, MessageIcon icon) noexcept {
  for (Slot& slot : slots_) {
    int expected = 0;
    if (!slot.state.compare_exchange_strong(expected, 1, std::memory_order_acquire)) continue;
    std::size_t n = text ? std::strlen(text) : 0;
    if (n >= kAudioSlotBytes) n = kAudioSlotBytes - 1;
    if (n) std::memcpy(slot.text, text, n);
    slot.text[n] = '\0';
    slot.icon = icon;
    slot.sequence.store(next_sequence_.fetch_add(1, std::memory_order_relaxed),
                        std::memory_order_relaxed);
    slot.state.store(2, std::memory_order_release);
    return;
  }
  dropped_.fetch_add(1, std::memory_order_relaxed);
}

void MessageService::drainAudioSlots(std::vector<Message>& out) {
  struct Taken {
    unsigned long long sequence;
    Message message;
  };
  std::vector<Taken> taken;
  for (Slot& slot : slots_) {
    if (slot.state.load(std::memory_order_acquire) != 2) continue;
    taken.push_back({slot.sequence.load(std::memory_order_relaxed),
                     Message{std::string(slot.text), slot.icon}});
    slot.state.store(0, std::memory_order_release);
  }
  std::sort(taken.begin(), taken.end(),
            [](const Taken& a, const Taken& b) { return a.sequence < b.sequence; });
  for (Taken& t : taken) out.push_back(std::move(t.message));
}

void MessageService::flushQueued() {
  std::vector<Message> pending;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending.swap(queued_);
  }
  drainAudioSlots(pending);
  // Presented one by one with no lock held: a presenter may run a modal loop that raises
  // further texts.
  for (const Message& m : pending) present(m);
}

std::size_t MessageService::queuedCount() const {
  std::size_t n = 0;
  for (const Slot& slot : slots_)
    if (slot.state.load(std::memory_order_acquire) == 2) ++n;
  std::lock_guard<std::mutex> lock(mutex_);
  return n + queued_.size();
}

void MessageService::setPresenter(Presenter presenter) {
  std::lock_guard<std::mutex> lock(mutex_);
  presenter_ = std::move(presenter);
}

void MessageService::setLogToStderr(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  log_to_stderr_ = on;
}

void MessageService::present(const Message& message) {
  Presenter presenter;
  bool log = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (shown_.size() >= kKeptLimit) shown_.erase(shown_.begin());
    shown_.push_back(message);
    presenter = presenter_;
    log = log_to_stderr_;
  }
  if (presenter) {
    presenter(message);
  } else if (log) {
    std::fprintf(stderr, "korvane [%s] %s\n", iconWord(message.icon), message.text.c_str());
  }
}

std::vector<Message> MessageService::shown() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shown_;
}

std::vector<std::string> MessageService::shownTexts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> texts;
  for (const Message& m : shown_) texts.push_back(m.text);
  return texts;
}

void MessageService::clearShown() {
  std::lock_guard<std::mutex> lock(mutex_);
  shown_.clear();
}

MessageServiceScope::MessageServiceScope(MessageService& service) : previous_(t_current) {
  t_current = &service;
}
MessageServiceScope::~MessageServiceScope() { t_current = previous_; }

AudioThreadScope::AudioThreadScope() : previous_(t_audio_thread) { t_audio_thread = true; }
AudioThreadScope::~AudioThreadScope() { t_audio_thread = previous_; }

HostCallScope::HostCallScope() { ++t_host_call_depth; }
HostCallScope::~HostCallScope() { --t_host_call_depth; }

void showMessage(const std::string& text, MessageIcon icon) {
  MessageService::current().show(text, icon);
}

}  // namespace kv
