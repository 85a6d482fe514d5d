#pragma once
// The patch header: the items in front of the root container of a patch, and which of them a
// stream of a given file version holds.
//
// Items come and go with the file version, each inside its own window of versions. They are
// read in item order, except that nothing reorders: item 13 (the editor size) follows items 11
// and 12 in the stream although it appeared in an earlier version. The table below is the one
// place that says which items a version holds; the reader and the writer both walk it.
//
//   item  present when        contents
//    1    always              int32 file version (refused from kFirstNewerFileVersion on)
//    2    v > 82              object list of imbedded_file
//    3    15 < v < 49         text (ignored)
//    4    20 < v < 48         three raw blocks of 60 bytes (ignored)
//    5    always              text: title
//    6    v > 8               int32: header flag (non-zero = true)
//    7    19 < v < 94960      int32 (ignored)
//    8    v > 44              int32: option byte (non-zero = 1)
//    9    v > 55              text: unique id text
//   10    v > 61              text: header text 1
//   11    v > 57              int32 flag 2, text 2
//   12    v > 63              int32: mono capable
//   13    v > 56              int32 width, int32 height: editor size
//   14    v > 68              int32 plug-in flags, int32 program count
//   15    v > 70              text: header text 3
//   16    v > 85              text: header text 4
//   17    68 < v < 94400      text (ignored)
//   18    v > 68              text: product text
//   19    v > 55              int32: skins embedded; when non-zero the skin list follows
//   20    always              object slot: the root container
//   21    10 < v < 16         text (ignored)
//
// Values the plug-in cannot use as stored are brought into range while reading: the program
// count to 1..128, each side of the editor size to 0..8192 (negative sides to 0).
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "document/archive/archive_reader.h"
#include "document/archive/archive_writer.h"
#include "document/embedded_file.h"

namespace kv {

class CContainer;

// The header items by number, in stream order.
enum HeaderItemNumber : int {
  kItemFileVersion = 1,
  kItemEmbeddedFiles = 2,
  kItemOldText = 3,          // ignored
  kItemOldBlocks = 4,        // ignored
  kItemTitle = 5,
  kItemHeaderFlag = 6,
  kItemOldNumber = 7,        // ignored
  kItemOptionByte = 8,
  kItemUniqueId = 9,
  kItemHeaderText1 = 10,
  kItemHeaderFlag2Text2 = 11,
  kItemMonoCapable = 12,
  kItemEditorSize = 13,
  kItemFlagsAndPrograms = 14,
  kItemHeaderText3 = 15,
  kItemHeaderText4 = 16,
  kItemOldText2 = 17,        // ignored
  kItemProductText = 18,
  kItemSkins = 19,
  kItemRoot = 20,
  kItemTrailerText = 21,     // ignored; follows the root
};

struct HeaderItem {
  HeaderItemNumber number;
  int32_t after;   // present when after < v ...
  int32_t before;  // ... and v < before
};

inline constexpr int32_t kNoLowerBound = std::numeric_limits<int32_t>::min();
inline constexpr int32_t kNoUpperBound = std::numeric_limits<int32_t>::max();

inline constexpr HeaderItem kHeaderItems[] = {
    {kItemFileVersion, kNoLowerBound, kNoUpperBound},
    {kItemEmbeddedFiles, 82, kNoUpperBound},
    {kItemOldText, 15, 49},
    {kItemOldBlocks, 20, 48},
    {kItemTitle, kNoLowerBound, kNoUpperBound},
    {kItemHeaderFlag, 8, kNoUpperBound},
    {kItemOldNumber, 19, 94960},
    {kItemOptionByte, 44, kNoUpperBound},
    {kItemUniqueId, 55, kNoUpperBound},
    {kItemHeaderText1, 61, kNoUpperBound},
    {kItemHeaderFlag2Text2, 57, kNoUpperBound},
    {kItemMonoCapable, 63, kNoUpperBound},
    {kItemEditorSize, 56, kNoUpperBound},
    {kItemFlagsAndPrograms, 68, kNoUpperBound},
    {kItemHeaderText3, 70, kNoUpperBound},
    {kItemHeaderText4, 85, kNoUpperBound},
    {kItemOldText2, 68, 94400},
    {kItemProductText, 68, kNoUpperBound},
    {kItemSkins, 55, kNoUpperBound},
    {kItemRoot, kNoLowerBound, kNoUpperBound},
    {kItemTrailerText, 10, 16},
};

// True when a stream of file version v holds header item `item` (1..21).
bool headerItemPresent(int item, int32_t v);

inline constexpr int32_t kMaxProgramCount = 128;
inline constexpr int32_t kMaxEditorSide = 8192;

struct EditorSize {
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const EditorSize&) const = default;
};

// The header's values. A freshly made PatchHeader holds what a stream that lacks an item
// stands for (program count 16, mono capable); `present` says which items the stream held.
struct PatchHeader {
  int32_t file_version = kCurrentFileVersion;
  std::string doc_title;          // item 5
  bool header_flag = false;       // item 6
  uint8_t option_byte = 0;        // item 8
  std::string unique_id_text;     // item 9
  std::string header_text_1;      // item 10
  bool header_flag_2 = false;     // item 11
  std::string header_text_2;      // item 11
  bool mono_capable = true;       // item 12
  EditorSize editor_size;         // item 13
  int32_t plugin_flags = 0;       // item 14
  int32_t program_count = 16;     // item 14
  std::string header_text_3;      // item 15
  std::string header_text_4;      // item 16
  std::string product_text;       // item 18
  int32_t skins_embedded = 0;     // item 19

  // Bit n set: item n was in the stream.
  uint32_t present = 0;
  bool has(int item) const { return (present >> item) & 1u; }
};

// Reads the embedded skin list that follows item 19 when it is non-zero. Objects it reads
// must be kept or adopted, as for any load. Without one, a patch with embedded skins fails
// with a message.
using SkinListReader = std::function<void(ArchiveReader&)>;
// Writes the embedded skin list after item 19 (an int32 count, then the skin records).
using SkinListWriter = std::function<void(ArchiveWriter&)>;

// Reads items 1 to 19 and sets the reader's file version. Answers false, having read only
// item 1, when the stream comes from a newer program (header.file_version holds its version).
// The embedded files are kept by the reader and listed in `files` (valid once the load
// commits). Throws ArchiveError for a stream older than kOldestReadableFileVersion and for
// malformed items.
bool readPatchHeader(ArchiveReader& r, PatchHeader& header, std::vector<imbedded_file*>& files,
                     const SkinListReader& skins = {});
// Reads the items after the root (item 21).
void readPatchTrailer(ArchiveReader& r);

// Writes items 1 to 19 at kCurrentFileVersion. Item 19 is 1 followed by the skin list when
// header.skins_embedded is non-zero and a skin list writer is given, else 0 and no list.
void writePatchHeader(ArchiveWriter& w, const PatchHeader& header,
                      std::span<imbedded_file* const> files, const SkinListWriter& skins = {});

// A whole patch read from bytes: header, root and the checks of a document load.
struct PatchLoad {
  enum Status { kLoaded, kNewer, kFailed };
  Status status = kFailed;
  std::string message;  // for kNewer and kFailed: the text for the user
  PatchHeader header;
  EmbeddedFileList files;
  std::unique_ptr<CContainer> root;  // committed, not yet finished (afterLoad not run)
};

PatchLoad readPatch(std::span<const uint8_t> bytes, const ClassTable& classes,
                    const SkinListReader& skins = {});

// A whole patch as bytes: the header, the root and nothing after it.
std::vector<uint8_t> writePatch(const PatchHeader& header, const EmbeddedFileList& files,
                                CContainer* root, const SkinListWriter& skins = {});

// The table of classes a patch holds: the document model's and imbedded_file.
const ClassTable& patchClasses();
void addPatchClasses(ClassTable& table);

}  // namespace kv
