#include "engine/ug_io_mod.h"

namespace kv {

ug_io_mod::ug_io_mod() {
  flags |= UGF_IO_MODULE | UGF_NEVER_VOICE;
  SetProcessFunction(&ug_io_mod::sub_process_sleep);
}

void ug_io_mod::ListInterface(std::vector<InterfaceObject>& list) {
  list.emplace_back(nullptr, dt_volts, nullptr, DR_CONTAINER_IO,
                    "Connection to modules outside (at higher level of structure)", "Spare", "0",
                    "", kDeclAutoDuplicate | kDeclPlugsFromDocument | 0x004);
}

}  // namespace kv
