#pragma once
// Shared pieces of the panel tests: the generated skins, pinned fonts, and a message
// service that records instead of printing.
#include <string>
#include <vector>

#include "platform/message_service.h"
#include "platform/text/font_cache.h"

namespace kv::test {

// The generated skins under the build folder ("<build>/skins/").
std::string skinsRoot();
// One font cache with the pinned DejaVu fonts for all panel tests.
gfx::FontCache& testFonts();

class QuietMessages {
 public:
  QuietMessages() : scope_(service_) { service_.setLogToStderr(false); }
  std::vector<std::string> texts() const { return service_.shownTexts(); }
  void clear() { service_.clearShown(); }

 private:
  MessageService service_;
  MessageServiceScope scope_;
};

}  // namespace kv::test
