#pragma once
// The clipboard of the controls: an in-process text buffer (Windows-1252 bytes), shared by
// every editor of the process like the platform's clipboard, guarded for use from any thread.
#include <string>

namespace kv::ui {

void setClipboardText(std::string text);
std::string clipboardText();

} // namespace kv::ui
