#pragma once
// Module_Info: the description of one kind of module (its registry id, the factories of its
// document object and unit generator, its module flags and its plug declarations).
#include <cstdint>
#include <string>

#include "modules/registry/plug_declaration.h"

namespace kv {

class CDocOb;
class ug_base;
class Module_Info;

using UgFactory = ug_base* (*)();
using DocFactory = CDocOb* (*)(Module_Info*);

// Module flags.
enum ModuleFlags : uint32_t {
  mf_io_module = 0x004,      // the container's IO module kind
  mf_voice_source = 0x020,   // starts and ends notes; one per polyphonic container
  mf_panel_view = 0x080,     // has a visual in the panel view
  mf_structure_view = 0x100, // has a visual in the structure view
};

class Module_Info {
 public:
  Module_Info(std::string id, DocFactory doc_factory, UgFactory ug_factory, uint32_t flags,
              int32_t legacy_number = -1, int32_t name_string_id = 0, int32_t group_string_id = 0);
  virtual ~Module_Info() = default;
  Module_Info(const Module_Info&) = delete;
  Module_Info& operator=(const Module_Info&) = delete;

  virtual const std::string& GetId() const { return id; }
  // A new unit generator, or null when the type has none.
  virtual ug_base* CreateUG() const { return ug_factory ? ug_factory() : nullptr; }
  // The document object for this type (the plain CUG when no factory was given).
  CDocOb* CreateDocOb();

  // Menu name and group: the string-table text when a string id is set, else the id (name)
  // or the second name (group).
  std::string GetName() const;
  std::string GetGroup() const;

  bool hasUnitGenerator() const { return ug_factory != nullptr; }
  const InterfaceObject* declaration(int index) const;

  UgFactory ug_factory = nullptr;
  DocFactory doc_factory = nullptr;
  std::string id;
  std::string reserved;
  std::string second_name;
  DeclarationList declarations;
  int32_t name_string_id = 0;
  int32_t group_string_id = 0;
  uint32_t flags = 0;
  int32_t legacy_number = -1;
};

// The compiled-in string table (menu names of a few built-in types).
std::string LoadStringTableText(int32_t id);

}  // namespace kv
