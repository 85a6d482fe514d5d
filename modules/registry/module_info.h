#pragma once
// Module_Info: the description of one kind of module (its registry id, the name of its
// document class, the factory of its unit generator, its module flags and its plug
// declarations). The document makes the document object from the class name.
#include <cstdint>
#include <string>

#include "engine/unit_generator_catalogue.h"
#include "modules/registry/plug_declaration.h"

namespace kv {

class ug_base;

// Module flags. The engine reads none of them; the document and the editors do.
enum ModuleFlags : uint32_t {
  mf_container = 0x001,       // "Container"
  mf_container_part = 0x002,  // "Container" and its "IO Mod"
  mf_io_module = 0x004,       // the container's IO module kind
  mf_hidden = 0x008,          // obsolete or made by the system: not offered for insertion
  mf_voice_source = 0x020,    // starts and ends notes; one per polyphonic container
  mf_panel_view = 0x080,      // has a visual in the panel view
  mf_structure_view = 0x100,  // has a visual in the structure view
  mf_midi_automator = 0x400,  // "MIDI Automator"
};

class Module_Info {
 public:
  // A null document class is stored empty; the document makes a plain module ("CUG") for
  // an empty or unknown class.
  Module_Info(std::string id, const char* doc_class, UgFactory ug_factory, uint32_t flags,
              int32_t legacy_number = -1, int32_t name_string_id = 0, int32_t group_string_id = 0);
  virtual ~Module_Info() = default;
  Module_Info(const Module_Info&) = delete;
  Module_Info& operator=(const Module_Info&) = delete;

  virtual const std::string& GetId() const { return id; }
  // A new unit generator, or null when the type has none.
  virtual ug_base* CreateUG() const { return ug_factory ? ug_factory() : nullptr; }

  // Menu name and group: the string-table text when a string id is set, else the id (name)
  // or the second name (group).
  std::string GetName() const;
  std::string GetGroup() const;

  bool hasUnitGenerator() const { return ug_factory != nullptr; }
  const InterfaceObject* declaration(int index) const;

  UgFactory ug_factory = nullptr;
  std::string doc_class;  // the document class the type asks for; empty: none named
  std::string ug_class;   // the unit-generator class the type names (built or not); may be empty
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
