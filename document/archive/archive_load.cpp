#include "document/archive/archive_load.h"

#include <new>

namespace kv {

ArchiveLoad loadArchive(std::span<const uint8_t> bytes, const ClassTable& classes,
                        const std::function<bool(ArchiveReader&)>& body, const LoadContext& initial) {
  ArchiveLoad result;
  result.context = initial;
  try {
    ArchiveReader reader(bytes, classes, result.context);
    if (!body(reader)) {
      result.status = ArchiveLoad::kRefused;
      return result;  // the reader destroys what was read
    }
    reader.commit();
    result.status = ArchiveLoad::kLoaded;
  } catch (const ArchiveError& e) {
    result.message = e.what();
  } catch (const std::bad_alloc&) {
    result.message = "There is not enough memory to read the patch.";
  } catch (const std::exception& e) {
    result.message = std::string("The patch could not be read: ") + e.what();
  }
  return result;
}

}  // namespace kv
