#include "engine/graph_connect.h"

#include "engine/ug_adder.h"
#include "engine/ug_container.h"

namespace kv {

Connection* ConnectPlugs(UPlug* source, UPlug* destination) {
  if (!source || !destination) return nullptr;
  source = source->EndOfProxyChain();
  destination = destination->EndOfProxyChain();
  if ((destination->flags & UPLUG_COLLECTOR) || !destination->HasSource())
    return UPlug::Connect(source, destination);
  auto* box = dynamic_cast<ug_container*>(destination->owner->container);
  if (!box || (destination->data_type != dt_volts && destination->data_type != dt_midi)) {
    destination->owner->PostMessage("several sources meet one input; only the first is used");
    return nullptr;
  }
  Connection* existing = nullptr;
  for (Connection* c : destination->connections)
    if (c->destination == destination) existing = c;
  UPlug* first = existing->source;
  UPlug::Disconnect(existing);
  ug_base* sum = box->GetSummingModule(destination->data_type);
  UPlug* in = sum->plugs[ug_adder::kIn];
  UPlug::Connect(first, in);
  Connection* made = UPlug::Connect(source, in);
  UPlug::Connect(sum->plugs[ug_adder::kOut], destination);
  destination->proxy = in;
  return made;
}

}  // namespace kv
