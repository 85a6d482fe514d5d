#pragma once
// ug_io_mod ("IO Mod"): the inner ends of a container's connections. Each of its plugs is
// paired (`linked`) with the container plug on the other side of the boundary; building
// the graph routes connections past both, so the module never processes. It also holds
// the parameters (UParameter) of inputs in the container that no output drives.
#include "engine/ug_base.h"

namespace kv {

class ug_io_mod : public ug_base {
 public:
  ug_io_mod();
  ug_base* CreateObject() override { return new ug_io_mod; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
};

}  // namespace kv
