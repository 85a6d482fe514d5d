#include "engine/ug_io_mod.h"

namespace kv {

ug_io_mod::ug_io_mod() {
  flags |= UGF_IO_MODULE | UGF_NEVER_VOICE;
  SetProcessFunction(&ug_io_mod::sub_process_sleep);
}

void ug_io_mod::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(ContainerIo("Spare")
                     .Default("0")
                     .Flags(kDeclSpare)
                     .Help("Connection to modules outside (at higher level of structure)"));
}

}  // namespace kv
