#include "document/patch_header.h"

#include <algorithm>

#include "document/archive/archive_load.h"
#include "document/model/container.h"
#include "document/model/document_load.h"

namespace kv {

bool headerItemPresent(int item, int32_t v) {
  for (const HeaderItem& h : kHeaderItems)
    if (h.number == item) return h.after < v && v < h.before;
  return false;
}

namespace {

constexpr size_t kIgnoredBlockBytes = 60;

int32_t clampSide(int32_t side) { return std::clamp(side, 0, kMaxEditorSide); }

}  // namespace

bool readPatchHeader(ArchiveReader& r, PatchHeader& h, std::vector<imbedded_file*>& files,
                     const SkinListReader& skins) {
  h = PatchHeader{};
  const int32_t v = r.readI32();
  h.file_version = v;
  h.present |= 1u << kItemFileVersion;
  if (v >= kFirstNewerFileVersion) return false;
  if (v < kOldestReadableFileVersion) r.fail(ArchiveError::kBadFormat, tooOldVersionDetail(v));
  r.context().file_version = v;

  for (const HeaderItem& item : kHeaderItems) {
    if (item.number == kItemFileVersion) continue;
    if (item.number >= kItemRoot) break;
    if (!(item.after < v && v < item.before)) continue;
    h.present |= 1u << item.number;
    switch (item.number) {
      case kItemEmbeddedFiles:
        r.readObjectList(&imbedded_file::kArchiveClass, [&](Archivable* o) {
          if (!o) return;  // an empty slot carries no file
          r.keep(o);
          files.push_back(static_cast<imbedded_file*>(o));
        });
        break;
      case kItemOldText:
      case kItemOldText2:
        r.readText();
        break;
      case kItemOldBlocks:
        r.skip(3 * kIgnoredBlockBytes);
        break;
      case kItemTitle:
        h.doc_title = r.readText();
        break;
      case kItemHeaderFlag:
        h.header_flag = r.readI32() != 0;
        break;
      case kItemOldNumber:
        r.readI32();
        break;
      case kItemOptionByte:
        h.option_byte = r.readI32() != 0 ? 1 : 0;
        break;
      case kItemUniqueId:
        h.unique_id_text = r.readText();
        break;
      case kItemHeaderText1:
        h.header_text_1 = r.readText();
        break;
      case kItemHeaderFlag2Text2:
        h.header_flag_2 = r.readI32() != 0;
        h.header_text_2 = r.readText();
        break;
      case kItemMonoCapable:
        h.mono_capable = r.readI32() != 0;
        break;
      case kItemEditorSize:
        h.editor_size.width = clampSide(r.readI32());
        h.editor_size.height = clampSide(r.readI32());
        break;
      case kItemFlagsAndPrograms:
        h.plugin_flags = r.readI32();
        h.program_count = std::clamp(r.readI32(), 1, kMaxProgramCount);
        break;
      case kItemHeaderText3:
        h.header_text_3 = r.readText();
        break;
      case kItemHeaderText4:
        h.header_text_4 = r.readText();
        break;
      case kItemProductText:
        h.product_text = r.readText();
        break;
      case kItemSkins:
        h.skins_embedded = r.readI32();
        if (h.skins_embedded != 0) {
          if (!skins) r.fail(ArchiveError::kBadFormat, "the patch carries embedded skins, which are not read here");
          skins(r);
        }
        break;
      default:  // the file version, the root and the trailer are read elsewhere
        break;
    }
  }
  return true;
}

void readPatchTrailer(ArchiveReader& r) {
  if (headerItemPresent(kItemTrailerText, r.fileVersion())) r.readText();
}

void writePatchHeader(ArchiveWriter& w, const PatchHeader& h, std::span<imbedded_file* const> files,
                      const SkinListWriter& skins) {
  w.writeI32(kCurrentFileVersion);
  w.writeObjectList(files);
  w.writeText(h.doc_title);
  w.writeI32(h.header_flag ? 1 : 0);
  w.writeI32(h.option_byte ? 1 : 0);
  w.writeText(h.unique_id_text);
  w.writeText(h.header_text_1);
  w.writeI32(h.header_flag_2 ? 1 : 0);
  w.writeText(h.header_text_2);
  w.writeI32(h.mono_capable ? 1 : 0);
  w.writeI32(h.editor_size.width);
  w.writeI32(h.editor_size.height);
  w.writeI32(h.plugin_flags);
  w.writeI32(h.program_count);
  w.writeText(h.header_text_3);
  w.writeText(h.header_text_4);
  w.writeText(h.product_text);
  if (h.skins_embedded != 0 && skins) {
    w.writeI32(1);
    skins(w);
  } else {
    w.writeI32(0);  // no skin list
  }
}

PatchLoad readPatch(std::span<const uint8_t> bytes, const ClassTable& classes, const SkinListReader& skins) {
  PatchLoad result;
  std::vector<imbedded_file*> files;
  CContainer* root = nullptr;
  bool newer = false;
  ArchiveLoad load = loadArchive(bytes, classes, [&](ArchiveReader& r) {
    if (!readPatchHeader(r, result.header, files, skins)) {
      newer = true;
      return false;
    }
    root = r.readObjectAs<CContainer>();
    if (!root) r.fail(ArchiveError::kBadFormat, "the patch holds no container");
    r.keep(root);
    readPatchTrailer(r);
    if (root->existingIOModule())
      r.fail(ArchiveError::kBadFormat, "the outermost container of the patch holds an IO module");
    commitDocumentLoad(r);
    return true;
  });
  switch (load.status) {
    case ArchiveLoad::kLoaded:
      result.status = PatchLoad::kLoaded;
      result.root.reset(root);
      for (imbedded_file* f : files) result.files.emplace_back(f);
      break;
    case ArchiveLoad::kRefused:
      result.status = newer ? PatchLoad::kNewer : PatchLoad::kFailed;
      result.message = newer ? newerVersionMessage(result.header.file_version) : load.message;
      break;
    case ArchiveLoad::kFailed:
      result.status = PatchLoad::kFailed;
      result.message = load.message;
      break;
  }
  if (result.status != PatchLoad::kLoaded) {
    // Keep the version that was read (for the refusal's text), nothing else.
    const int32_t v = result.header.file_version;
    result.header = PatchHeader{};
    result.header.file_version = v;
  }
  return result;
}

std::vector<uint8_t> writePatch(const PatchHeader& header, const EmbeddedFileList& files, CContainer* root,
                                const SkinListWriter& skins) {
  std::vector<imbedded_file*> list;
  list.reserve(files.size());
  for (const auto& f : files) list.push_back(f.get());
  std::vector<uint8_t> out;
  ArchiveWriter w(out);
  writePatchHeader(w, header, list, skins);
  w.writeObject(root);
  return out;
}

void addPatchClasses(ClassTable& table) {
  addDocumentModelClasses(table);
  table.add(imbedded_file::kArchiveClass);
}

const ClassTable& patchClasses() {
  static const ClassTable table = [] {
    ClassTable t;
    addPatchClasses(t);
    return t;
  }();
  return table;
}

}  // namespace kv
