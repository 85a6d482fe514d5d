#include "platform/ui/panel_message_presenter.h"

namespace kv::ui {

PanelMessagePresenter::PanelMessagePresenter(MessageService& service, TopWindow& root, std::string title)
    : service_(service)
{
    service_.setPresenter([&root, title = std::move(title)](const Message& m) {
        messageBox(root, m.text, title, m.icon);
    });
}

PanelMessagePresenter::~PanelMessagePresenter() { service_.setPresenter({}); }

} // namespace kv::ui
