#include "platform/ui/clipboard.h"

#include <mutex>

namespace kv::ui {

namespace {
std::mutex clipboardMutex;
std::string& clipboard()
{
    static std::string text;
    return text;
}
} // namespace

void setClipboardText(std::string text)
{
    std::lock_guard<std::mutex> lock(clipboardMutex);
    clipboard() = std::move(text);
}

std::string clipboardText()
{
    std::lock_guard<std::mutex> lock(clipboardMutex);
    return clipboard();
}

} // namespace kv::ui
