#include "engine/kv_exception.h"

#include <typeinfo>

#include "engine/engine_host.h"
#include "engine/ug_base.h"

namespace kv {

namespace {

DocumentModule* ModuleOrDownstream(ug_base* u) {
  if (!u) return nullptr;
  if (u->document_module) return u->document_module;
  for (UPlug* p : u->plugs)
    for (Connection* c : p->connections)
      if (c->source == p && c->destination->owner && c->destination->owner->document_module)
        return c->destination->owner->document_module;
  return nullptr;
}

std::string ClassOf(ug_base* u) { return u ? ClassNameForMessages(typeid(*u)) : std::string(); }

}  // namespace

KvException::KvException(int kind_, ug_base* first_, ug_base* second_)
    : std::runtime_error(kind_ == kFeedback ? "feedback path" : "nested voice sources"),
      kind(kind_), first(first_), second(second_),
      first_module(kind_ == kFeedback ? ModuleOrDownstream(first_)
                                      : (first_ ? first_->document_module : nullptr)),
      second_module(second_ ? second_->document_module : nullptr),
      first_class(ClassOf(first_)), second_class(ClassOf(second_)) {}

std::string FeedbackMessage(bool highlighted, std::string_view c1, std::string_view m1,
                            std::string_view c2, std::string_view m2) {
  std::string s = "This patch contains a FEEDBACK path";
  if (highlighted) s += kHighlightedText;
  s += ", Please remove.\n ";
  s.append(c1).append(".").append(m1).append(" -> ").append(c2).append(".").append(m2);
  return s;
}

}  // namespace kv
