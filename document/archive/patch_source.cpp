#include "document/archive/patch_source.h"

#include <fstream>

#include "document/archive/scramble.h"
#include "platform/elf_section_reader.h"
#include "platform/module_path.h"

namespace kv {

namespace {

bool readWholeFile(const std::string& path, std::vector<uint8_t>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) return false;
  in.seekg(0, std::ios::beg);
  out.resize(static_cast<size_t>(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(out.data()), size)) return false;
  return true;
}

}  // namespace

PatchBytes findPatchBytes(const std::string& module_path) {
  PatchBytes result;
  if (module_path.empty()) {  // never a ".dat" relative to the host's working directory
    result.message = "Can't find plugin data file. (the plug-in's own file is unknown)";
    return result;
  }
  ElfSection section = readElfSection(module_path, kPatchSectionName);
  if (section.status == ElfSection::Status::kFound) {
    unscramblePatch(section.bytes);
    result.origin = PatchBytes::Origin::kSection;
    result.bytes = std::move(section.bytes);
    result.path = module_path;
    return result;
  }
  const std::string data_path = dataFilePathFor(module_path);
  result.path = data_path;
  if (readWholeFile(data_path, result.bytes)) {
    result.origin = PatchBytes::Origin::kDataFile;
    return result;
  }
  result.bytes.clear();
  result.message = fileTitleOf(data_path) + ": Can't find plugin data file. (" + data_path + ")";
  return result;
}

PatchBytes readModulePatch(const std::string& module_path) {
  PatchBytes result;
  result.path = module_path;
  ElfSection section = readElfSection(module_path, kPatchSectionName);
  switch (section.status) {
    case ElfSection::Status::kFound:
      unscramblePatch(section.bytes);
      result.origin = PatchBytes::Origin::kSection;
      result.bytes = std::move(section.bytes);
      return result;
    case ElfSection::Status::kAbsent:
      result.message = module_path + ": the file holds no patch.";
      return result;
    default:
      result.message = module_path + ": can't read the file (" + section.error + ").";
      return result;
  }
}

}  // namespace kv
