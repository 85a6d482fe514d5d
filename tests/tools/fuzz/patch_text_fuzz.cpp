// The text-form compiler takes whatever a person types. Any input either compiles or fails
// with a message; whatever compiles dumps and compiles again to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "document/text/patch_text.h"
#include "platform/message_service.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static kv::MessageService* messages = [] {
    auto* m = new kv::MessageService;
    m->setLogToStderr(false);
    return m;
  }();
  kv::MessageServiceScope scope(*messages);
  messages->clearShown();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  kv::text::CompileResult first = kv::text::compilePatchText(text);
  if (!first.ok) {
    if (first.message.empty()) std::abort();  // a failure always says why
    return 0;
  }
  kv::text::DumpResult dumped = kv::text::dumpPatchText(first.archive);
  if (!dumped.ok) std::abort();
  kv::text::CompileResult second = kv::text::compilePatchText(dumped.json);
  if (!second.ok || second.archive != first.archive) std::abort();
  return 0;
}
