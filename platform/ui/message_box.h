#pragma once
// The in-panel message box: a modal dialog with the text (wrapped), an optional icon and an
// OK button. It serves the platform message service while an editor is open; answers 1 when
// the user confirmed (OK, Return, Space on the button) and 0 when the box was dismissed with
// Escape or the back end gave up (headless without a scripted answer).
#include <string>

#include "platform/message_service.h"
#include "platform/window/top_window.h"

namespace kv::ui {

int messageBox(TopWindow& root, const std::string& text, const std::string& title, MessageIcon icon);

} // namespace kv::ui
