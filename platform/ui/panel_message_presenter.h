#pragma once
// PanelMessagePresenter: shows the message service's texts in an open editor.
//
// The message service (platform/message_service.h) decides when a text is shown: at once
// on the user-interface thread, queued inside host calls and from the audio thread until
// the editor's idle call flushes them. While an editor is open, this presenter is its
// presenter hook: each text becomes the modal in-panel message box. When the editor closes
// the presenter goes away and the service returns to its headless behaviour (standard
// error), so nothing ever waits on a window that is gone.
#include <string>

#include "platform/message_service.h"
#include "platform/ui/message_box.h"

namespace kv::ui {

class PanelMessagePresenter {
public:
    // Installs itself as `service`'s presenter for the life of this object.
    PanelMessagePresenter(MessageService& service, TopWindow& root, std::string title = "Korvane");
    ~PanelMessagePresenter();
    PanelMessagePresenter(const PanelMessagePresenter&) = delete;
    PanelMessagePresenter& operator=(const PanelMessagePresenter&) = delete;

private:
    MessageService& service_;
};

} // namespace kv::ui
