#pragma once
// MessageService: where the system's message boxes go.
//
// While an editor is open (attach() with its window, which has a back end), show() runs the
// in-panel message box modally. Without one -- a command-line host, a test, an editor that is
// closed -- the text is written to standard error and kept, and nothing waits. Texts raised
// inside host calls that must not block (loading a chunk, resuming) are post()ed from any
// thread except the audio thread, and shown by flush() from the editor's idle call, in order.
// Everything shown or logged is recorded for tests.
#include <mutex>
#include <string>
#include <vector>

#include "platform/ui/message_box.h"

namespace kv::ui {

class MessageService {
public:
    struct Message {
        std::string text, title;
        MessageIcon icon = MessageIcon::Plain;
        bool shownInPanel = false;
    };

    void attach(TopWindow* root) { root_ = root; }
    // Shows now: modal in the attached editor, else logged. Call on the user-interface thread.
    void show(const std::string& text, const std::string& title = "Korvane", MessageIcon icon = MessageIcon::Plain);
    // Queues a text for the next flush().
    void post(std::string text, std::string title = "Korvane", MessageIcon icon = MessageIcon::Plain);
    // Shows what was posted (user-interface thread). The queue is taken out first, so a text
    // posted while a box is open waits for the next flush and no lock is held meanwhile.
    void flush();

    std::vector<Message> history() const;
    size_t pending() const;

private:
    TopWindow* root_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<Message> queue_;
    std::vector<Message> history_;
};

} // namespace kv::ui
