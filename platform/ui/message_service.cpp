#include "platform/ui/message_service.h"

#include <cstdio>

namespace kv::ui {

void MessageService::show(const std::string& text, const std::string& title, MessageIcon icon)
{
    Message m{text, title, icon, false};
    if (root_ && root_->surface()) {
        m.shownInPanel = true;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            history_.push_back(m);
        }
        messageBox(*root_, text, title, icon);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::lock_guard<std::mutex> lock(mutex_);
    history_.push_back(std::move(m));
}

void MessageService::post(std::string text, std::string title, MessageIcon icon)
{
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back({std::move(text), std::move(title), icon, false});
}

void MessageService::flush()
{
    std::vector<Message> batch;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        batch.swap(queue_);
    }
    for (const Message& m : batch) show(m.text, m.title, m.icon);
}

std::vector<MessageService::Message> MessageService::history() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return history_;
}

size_t MessageService::pending() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
}

} // namespace kv::ui
