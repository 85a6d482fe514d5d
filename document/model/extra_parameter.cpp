#include "document/model/extra_parameter.h"

namespace kv {

parameter_cug_xtra::parameter_cug_xtra(std::string name, int32_t datatype, Getter get, Setter set,
                                       Getter choices)
    : name_(std::move(name)), datatype_(datatype), get_(std::move(get)), set_(std::move(set)),
      choices_(std::move(choices)) {}

void parameter_cug_xtra::setValueText(const std::string& text) {
  // The owner announces the change (kNotifyValueChanged) when its property really changes.
  if (set_) set_(text);
}

}  // namespace kv
