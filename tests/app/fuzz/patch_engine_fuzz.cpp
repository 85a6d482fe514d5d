// Any patch a person can write runs or is refused: text that compiles is loaded into the
// plug-in's document, the application builds its engine (or refuses with a message), and
// the engine plays a few host calls of uneven length with notes, pitch bend and
// controller messages. Nothing may crash, leak, hang or write a non-finite sample.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "document/korvane_doc_vst.h"
#include "document/model/container.h"
#include "document/text/patch_text.h"
#include "platform/message_service.h"
#include "tests/support/offline_render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static kv::MessageService* messages = [] {
    auto* m = new kv::MessageService;
    m->setLogToStderr(false);
    return m;
  }();
  std::unique_ptr<kv::CKorvaneDocVST> doc;
  {
    kv::MessageServiceScope scope(*messages);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    kv::text::CompileResult compiled = kv::text::compilePatchText(text);
    if (!compiled.ok) return 0;
    doc = std::make_unique<kv::CKorvaneDocVST>();
    std::unique_ptr<kv::CContainer> root;
    if (!doc->ReadHeader(compiled.archive, root, true)) return 0;
    doc->setRoot(root.release());
  }
  kv::test::OfflineRender render(std::move(doc), 48000.0f, 256);
  if (!render.started()) {
    if (render.messages().shownTexts().empty()) std::abort();  // a refusal always says why
    return 0;
  }
  const std::vector<kv::test::TimedMidi> midi = {
      {0, 0x90, 60, 100},   {40, 0x90, 64, 90},  {100, 0xE0, 0, 80}, {150, 0xB0, 1, 64},
      {300, 0x80, 60, 0},   {420, 0x90, 67, 127}, {700, 0xB0, 123, 0}, {800, 0x90, 60, 10}};
  const auto out = render.Render(1200, {256, 1, 77, 3, 511}, midi);
  for (const auto& channel : out)
    for (float x : channel)
      if (!std::isfinite(x)) std::abort();
  return 0;
}
