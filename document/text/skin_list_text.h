#pragma once
// SkinListText: the text form of the skins a patch embeds, supplied by the code that knows
// the skin records (the panel), so that the text form itself does not depend on it.
//
// The compiler hands the patch's "skins" item to compile() and lets write() put the skin list
// after item 19 of the header; the compiled bytes are then loaded back with read() as the
// skin list reader. The dumper reads a patch with read() and asks dump() for the "skins"
// item. Without one, a patch with a "skins" item does not compile and a patch with embedded
// skins does not dump, each with a message.
#include <nlohmann/json.hpp>

#include "document/archive/archive_reader.h"
#include "document/archive/archive_writer.h"
#include "document/archive/class_table.h"

namespace kv::text {

class SkinListText {
 public:
  virtual ~SkinListText() = default;
  // The classes of a patch that holds skin records.
  virtual const ClassTable& classes() const = 0;
  // Takes the "skins" item (objects carry their line, see json_lines.h). Throws
  // std::runtime_error with a message naming the line and the item.
  virtual void compile(const nlohmann::json& skins) = 0;
  // Writes the compiled skins as a skin list.
  virtual void write(ArchiveWriter& writer) = 0;
  // Reads the skin list of a patch being loaded; keeps what it read for dump().
  virtual void read(ArchiveReader& reader) = 0;
  // The skins last read, as the "skins" item.
  virtual nlohmann::ordered_json dump() const = 0;
};

}  // namespace kv::text
