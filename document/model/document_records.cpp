// The archive records of the core document classes, one serialize() per class: the same
// function reads the record at any supported file version and writes it at the current one.
// Each record begins with its base class's record where the format names one.
//
// Loading only reads and stores: objects that point at other objects of the stream (a line's
// ends, a plug's lines, an IO plug's partner) keep those pointers aside until the whole load
// has been checked (document_load.h), so that a failed load can destroy any half-read object
// without following a pointer into another one.
#include <algorithm>
#include <memory>
#include <span>
#include <string>

#include "document/archive/archive.h"
#include "document/model/container.h"
#include "document/model/control.h"
#include "document/model/doc_ob.h"
#include "document/model/line.h"
#include "document/model/plug.h"
#include "document/model/plug_feature.h"
#include "document/model/small_modules.h"
#include "modules/registry/module_info.h"
#include "modules/registry/module_registry.h"
#include "document/model/module_factory.h"

namespace kv {

namespace {

constexpr auto kBadFormat = ArchiveError::kBadFormat;

// A stored name in a message: control characters shown as '?', at most 64 characters.
std::string shown(const std::string& text) {
  std::string out = text.substr(0, 64);
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return out;
}

Module_Info* typeNamed(ArchiveReader& r, const std::string& id) {
  Module_Info* type = GetModuleRegistry().FindModuleInfo(id);
  if (!type) r.fail(kBadFormat, "the module type \"" + shown(id) + "\" is unknown");
  return type;
}

// Files before version 79 name the type by its number in the registry's table; a negative
// number means no type.
Module_Info* typeNumbered(ArchiveReader& r, int32_t number) {
  if (number < 0) return nullptr;
  ModuleRegistry& registry = GetModuleRegistry();
  Module_Info* type = registry.FindModuleInfo(registry.GetIdForLegacyNumber(number));
  if (!type || type->legacy_number != number) {
    r.fail(kBadFormat, "the module type number " + std::to_string(number) + " is unknown");
  }
  return type;
}

// A stored code (role, direction, datatype, feature number) must lie in first..last.
void checkCode(ArchiveReader& r, int32_t value, int32_t first, int32_t last, const char* what) {
  if (value < first || value > last)
    r.fail(kBadFormat, std::string("a plug has the ") + what + " " + std::to_string(value));
}

}  // namespace

// ---- CDocOb ----

void CDocOb::serialize(Archive& ar) {
  const int32_t v = ar.fileVersion();
  if (v > 7) {
    if (ar.isStoring()) {
      ar.writer().writeText(moduleTypeId());
    } else {
      ArchiveReader& r = ar.reader();
      setModuleType(v < 79 ? typeNumbered(r, r.readI32()) : typeNamed(r, r.readText()));
    }
  }
  if (v < 59 && ar.isLoading()) {
    // Old files store a container here that nothing uses.
    ArchiveReader& r = ar.reader();
    r.discard(r.readObjectAs<CContainer>());
  }
}

// ---- CUG ----

void CUG::serialize(Archive& ar) {
  const int32_t v = ar.fileVersion();
  if (v > 36) CDocOb::serialize(ar);
  if (ar.isStoring()) {
    ar.writer().writeObjectList(plugs_);
  } else {
    ArchiveReader& r = ar.reader();
    r.readObjectList(&CPlug2::kArchiveClass, [&](Archivable* o) {
      auto* plug = dynamic_cast<CPlug2*>(o);
      if (!plug) r.fail(kBadFormat, "a module lists an empty plug");
      r.adopt(this, plug);  // refuses a plug of two modules
      plug->setModule(this);
      plugs_.push_back(plug);  // stream order, as saved
    });
  }
  ar.text(title_);
  if (v <= 7 && ar.isLoading()) setModuleType(typeNumbered(ar.reader(), ar.reader().readI32()));
  int16_t disabled = disabled_;
  ar.i16(disabled);
  disabled_ = disabled != 0 ? 1 : 0;
  if (v >= 37) ar.rect(rect_);
}

// ---- CContainer ----

void CContainer::serialize(Archive& ar) {
  CUG::serialize(ar);
  const int32_t v = ar.fileVersion();
  if (ar.isStoring()) {
    ArchiveWriter& w = ar.writer();
    w.writeI32(static_cast<int32_t>(children_.size()));  // a plain int32, not a list count
    for (CDocOb* child : children_) w.writeObject(child);
  } else {
    ArchiveReader& r = ar.reader();
    if (v < 10) r.fail(kBadFormat, "containers of files before version 10 cannot be read");
    const uint32_t n = r.readInt32Count(2);
    for (uint32_t i = 0; i < n; ++i) {
      CDocOb* child = r.readObjectAs<CDocOb>();
      if (!child) continue;
      r.adopt(this, child);  // refuses a second parent, itself and its own ancestors
      child->setParent(this);
      children_.push_back(child);  // stream order, as saved
    }
  }
  if (v > 94950) ar.rect(panel_rect_);
  ar.rect(panel_bounds_);
  ar.rect(structure_bounds_);
  if (v > 27) {
    ar.point(panel_scroll_);
    ar.point(structure_scroll_);
  }
  if (v > 8) ar.i32(view_flags_);
  if (v >= 48) {
    ar.text(skin_name_);
  } else {
    skin_name_ = "default";
  }
  if (v >= 50) {
    if (ar.isStoring()) {
      ar.writer().writeStringArray(programNames());
      ar.writer().writeI32(current_program_);
    } else {
      ArchiveReader& r = ar.reader();
      setProgramNames(r.readStringArray());  // missing names "Patch %d", extras dropped
      setCurrentProgramQuiet(r.readI32());   // outside 0..127: 0
    }
  }
  if (v > 94950) {
    bool locked = spare_locked_ != 0;
    ar.boolByte(locked);
    spare_locked_ = locked ? 1 : 0;
  }
  if (v < 94811 && ar.isLoading()) setModuleType(typeNamed(ar.reader(), "Container"));
}

// ---- plugs ----

void CPlug2::serialize(Archive& ar) {
  ar.i16(index_);
  ar.text(value_);
  if (ar.fileVersion() > 35) {
    if (ar.isStoring()) {
      ar.writer().writeObjectList(lines_);
    } else {
      ArchiveReader& r = ar.reader();
      r.readObjectList(&CLine2::kArchiveClass, [&](Archivable* o) {
        auto* line = dynamic_cast<CLine2*>(o);
        if (!line) r.fail(kBadFormat, "a plug lists an empty connection");
        loaded_lines_.push_back(line);
      });
    }
  }
}

void CPlugNameable::serialize(Archive& ar) {
  CPlug2::serialize(ar);
  ar.text(name_);
}

void CPlugIO2::serialize(Archive& ar) {
  CPlugNameable::serialize(ar);
  ar.i16(role_);
  if (ar.isStoring()) {
    ar.writer().writeObject(partner_);
  } else {
    ArchiveReader& r = ar.reader();
    checkCode(r, role_, kRoleInput, kRoleSpare, "role");
    loaded_partner_ = r.readObjectAs<CPlugIO2>();
  }
  if (ar.fileVersion() >= 94962) {
    ar.i16(datatype_);
    if (ar.isLoading()) checkCode(ar.reader(), datatype_, -1, dt_normalised, "datatype");
  }
}

void CPlugControled::serialize(Archive& ar) {
  CPlugNameable::serialize(ar);
  ar.i32(direction_);
  ar.i32(datatype_);
  ar.text(extension_);
  if (ar.isLoading()) {
    checkCode(ar.reader(), direction_, DR_IN, DR_PARAMETER, "direction");
    checkCode(ar.reader(), datatype_, dt_enum, dt_normalised, "datatype");
  }
}

void CPlugFeature::serialize(Archive& ar) {
  CPlug2::serialize(ar);
  ar.i32(direction_);
  ar.i32(datatype_);
  ar.i32(feature_index_);
  ar.text(name_);
  ar.text(extra_);
  if (ar.isLoading()) {
    checkCode(ar.reader(), direction_, DR_IN, DR_PARAMETER, "direction");
    checkCode(ar.reader(), datatype_, dt_enum, dt_normalised, "datatype");
    // Feature numbers are small; a huge one would overflow when the module counts past it.
    checkCode(ar.reader(), feature_index_, 0, kMaxFeatureIndex, "feature number");
  }
}

void CPlugFeature3::serialize(Archive& ar) {
  CPlugFeature2::serialize(ar);
  ar.boolByte(relay_);
  if (ar.isLoading()) makeVariable();
}

// ---- CLine2 ----

void CLine2::serialize(Archive& ar) {
  const int32_t v = ar.fileVersion();
  if (v > 36) {
    CDocOb::serialize(ar);
    if (ar.isLoading() && v < 94811 && moduleTypeId().empty())
      setModuleType(typeNamed(ar.reader(), "Line"));
  }
  if (ar.isStoring()) {
    ar.writer().writeObject(from_);
    ar.writer().writeObject(to_);
  } else {
    // Kept aside (not attached) until the load has been checked.
    from_ = ar.reader().readObjectAs<CPlug2>();
    to_ = ar.reader().readObjectAs<CPlug2>();
  }
}

// ---- CControl ----

void CControl::serialize(Archive& ar) {
  CUG::serialize(ar);
  if (ar.isLoading()) takeTypeDefaults();
  const int32_t v = ar.fileVersion();
  if (v > 18) {
    if (v > 83) ar.i32(control_id_);
    if (ar.isStoring()) {
      storeValues(ar.writer());
    } else {
      loadValues(ar.reader());
    }
  }
  ar.rect(panel_rect_);
  if (v >= 61) ar.text(hint_);
}

// The stream names this class, but the registry makes list and text controls on it too: a
// loaded control takes the value type and patch count that its module type gives it, so it
// reads (and later writes) the values the way a control made from that type keeps them.
void CControl::takeTypeDefaults() {
  Module_Info* type = moduleType();
  if (!type) return;
  std::unique_ptr<CDocOb> made(CreateDocumentObject(*type));
  const auto* model = dynamic_cast<const CControl*>(made.get());
  if (!model || (model->value_type_ == value_type_ && model->patch_count_ == patch_count_)) return;
  value_type_ = model->value_type_;
  patch_count_ = model->patch_count_;
  floats_.assign(patch_count_, 0.0);
  ints_.assign(patch_count_, 0);
  texts_.assign(patch_count_, std::string());
  makeMirror();
}

void CControl::loadValues(ArchiveReader& r) {
  switch (value_type_) {
    case kInteger: {
      std::vector<int32_t> values(r.readInt32Count(4));
      for (int32_t& x : values) x = r.readI32();
      setStoredInts(values);
      break;
    }
    case kText: {
      // The int32 count, then a string array with a count of its own: the array's holds.
      r.readInt32Count(0);
      setStoredTexts(r.readStringArray());
      break;
    }
    default: {
      std::vector<double> values(r.readInt32Count(8));
      for (double& x : values) x = r.readF64();
      setStoredFloats(values);
      break;
    }
  }
}

namespace {
// One value stands for every patch when the control was loaded so and no patch differs.
template <class T>
size_t valuesToStore(const std::vector<T>& values, bool single) {
  const bool same = std::all_of(values.begin(), values.end(),
                                [&](const T& x) { return x == values.front(); });
  return single && !values.empty() && same ? 1 : values.size();
}
}  // namespace

void CControl::storeValues(ArchiveWriter& w) const {
  switch (value_type_) {
    case kInteger: {
      const size_t n = valuesToStore(ints_, single_value_);
      w.writeI32(static_cast<int32_t>(n));
      for (size_t i = 0; i < n; ++i) w.writeI32(ints_[i]);
      break;
    }
    case kText: {
      const size_t n = valuesToStore(texts_, single_value_);
      w.writeI32(static_cast<int32_t>(n));
      w.writeStringArray(std::span<const std::string>(texts_.data(), n));
      break;
    }
    default: {
      const size_t n = valuesToStore(floats_, single_value_);
      w.writeI32(static_cast<int32_t>(n));
      for (size_t i = 0; i < n; ++i) w.writeF64(floats_[i]);
      break;
    }
  }
}

// ---- small modules ----

void CLED::serialize(Archive& ar) {
  CUG::serialize(ar);
  for (int32_t& x : values) ar.i32(x);
}

void CPortal::serialize(Archive& ar) {
  CDocOb::serialize(ar);  // for every file version, unlike modules
  ar.text(target_);
  ar.rect(rect_);
  if (ar.fileVersion() >= 68) {
    ar.i32(scroll_bars_);
  } else {
    scroll_bars_ = 3;  // the mode older files stand for
  }
}

}  // namespace kv
