#include "plugin/aeff_editor.h"

namespace kv {

bool AEffEditor::getRect(vst::ERect** rect) {
  if (rect) *rect = nullptr;
  return false;
}

bool AEffEditor::open(void* window) {
  systemWindow = window;
  return false;
}

void AEffEditor::idle() {
  if (updateFlag.exchange(0, std::memory_order_acq_rel) != 0) update();
}

}  // namespace kv
