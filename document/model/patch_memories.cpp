// Programs of containers: switching, naming, copying, and bank and program files.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "document/model/container.h"
#include "document/model/control.h"
#include "document/model/doc_iterators.h"
#include "document/model/document.h"
#include "engine/number_text.h"
#include "document/presets/preset_file.h"
#include "platform/message_service.h"

namespace kv {

namespace {
constexpr const char* kCouldntOpen = "Couldn't open file.\n";
constexpr const char* kNotCompatible = "This file not compatible\n";
constexpr const char* kSaveDisabled = "Save Disabled by plugin";
}  // namespace

// ---- CUG_with_patches: commands and files ----

void CUG_with_patches::onCommand(int32_t id) {
  switch (id) {
    case kCmdLoadBank: loadFile(false, std::string()); break;
    case kCmdSaveBank: saveFile(false, std::string()); break;
    case kCmdLoadProgram: loadFile(true, std::string()); break;
    case kCmdSaveProgram: saveFile(true, std::string()); break;
    case kCmdPatchCopy: break;  // the dialog belongs to the panel (copyCurrentToRange)
    default: CUG::onCommand(id); break;
  }
}

bool CUG_with_patches::saveFile(bool program, const std::string& given) {
  const std::string extension = program ? "fxp" : "fxb";
  Document* d = getDocument();
  std::string name = given;
  if (name.empty() && d) name = d->chooseFileName(true, extension);
  if (name.empty()) return false;
  if (!usesChunks()) return saveProgramFile(program, name);
  name = d ? d->resolveFileName(name, extension) : Document().resolveFileName(name, extension);

  // The file is written beside the target and renamed over it only once it is complete, so
  // a failed or empty save never truncates a file that is there already.
  const std::string temporary = name + ".part";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  if (!out) {
    showMessage(kCouldntOpen, MessageIcon::Plain);
    return false;
  }
  const std::vector<uint8_t> chunk = getChunk(program);
  std::error_code ec;
  if (chunk.empty()) {
    out.close();
    std::filesystem::remove(temporary, ec);
    showMessage(kSaveDisabled, MessageIcon::Plain);
    return false;
  }
  PresetHeader h;
  h.kind = program ? PresetKind::kProgram : PresetKind::kBank;
  h.id = getUniqueId();
  h.version = getVersion();
  h.programCount = getProgramCount();
  if (program) h.programName = getProgramName();
  const std::vector<uint8_t> bytes = encodePresetFile(h, chunk);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::filesystem::remove(temporary, ec);
    showMessage(kCouldntOpen, MessageIcon::Plain);
    return false;
  }
  std::filesystem::rename(temporary, name, ec);
  if (ec) {
    std::filesystem::remove(temporary, ec);
    showMessage(kCouldntOpen, MessageIcon::Plain);
    return false;
  }
  return true;
}

bool CUG_with_patches::loadFile(bool program, const std::string& given) {
  const std::string extension = program ? "fxp" : "fxb";
  Document* d = getDocument();
  std::string name = given;
  if (name.empty() && d) name = d->chooseFileName(false, extension);
  if (name.empty()) return false;
  if (!usesChunks()) {
    const bool ok = loadProgramFile(program, name);
    afterPresetLoad();
    return ok;
  }
  name = d ? d->resolveFileName(name, extension) : Document().resolveFileName(name, extension);

  bool loaded = false;
  std::ifstream in(name, std::ios::binary);
  if (!in) {
    showMessage(kCouldntOpen, MessageIcon::Plain);
  } else {
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    PresetFile file;
    const PresetKind kind = program ? PresetKind::kProgram : PresetKind::kBank;
    if (readPresetFile(bytes, kind, file) != PresetReadError::kNone ||
        !presetIdAccepted(file.header.id, getUniqueId())) {
      showMessage(kNotCompatible, MessageIcon::Plain);
    } else {
      if (program) setProgramName(file.header.programName);
      setChunk(file.chunk.data(), file.chunk.size(), program);
      loaded = true;
    }
  }
  afterPresetLoad();
  return loaded;
}

// ---- CContainer: programs ----

void CContainer::setProgram(int program) {
  if (program < 0 || program >= kProgramCount || program == current_program_) return;
  current_program_ = program;
  if (generic_parameter* p = findParameter("Program")) p->notifyValueChanged();
  if (generic_parameter* p = findParameter("Program Name")) p->notifyValueChanged();
  // A child may leave while its siblings hear the notice: walk a snapshot, skipping gone ones.
  const std::vector<CDocOb*> snapshot = children_;
  for (CDocOb* child : snapshot) {
    if (std::find(children_.begin(), children_.end(), child) == children_.end()) continue;
    if (auto* m = dynamic_cast<CUG*>(child)) m->onProgramCommand(program);
  }
  notify(kNotifyProgramChanged, current_program_);
}

void CContainer::onProgramCommand(int program) {
  if (showsControls()) setProgram(program);
}

void CContainer::copyPrograms(int first, int last) {
  first = std::max(first, 0);
  last = std::min(last, kProgramCount - 1);
  int copy = 1;
  for (int i = first; i <= last; ++i, ++copy)
    setProgramName(i, "(Copy " + formatInt(copy) + ") " + program_names_[current_program_]);
  it_parameter_container walk(this);
  std::vector<CControl*> controls;
  for (walk.first(); !walk.isDone(); walk.next())
    if (auto* c = dynamic_cast<CControl*>(walk.current())) controls.push_back(c);
  for (CControl* c : controls) c->CopyValue(current_program_, first, last);
}

bool CContainer::copyCurrentToRange(int fromField, int toField) {
  if (fromField < 1 || fromField > kProgramCount || toField < 1 || toField > kProgramCount)
    return false;
  int from = fromField - 1, to = toField - 1;
  if (to < from) std::swap(from, to);
  const int c = current_program_;
  if (from == c) ++from;
  if (to == c) --to;
  if (from < c && c < to) {
    copyPrograms(from, c - 1);
    from = c + 1;
  }
  if (from <= to) copyPrograms(from, to);
  return true;
}

int32_t CContainer::getUniqueId() {
  Document* d = getDocument();
  return d ? d->GetUniqueId() : 0;
}

std::vector<uint8_t> CContainer::getChunk(bool program) {
  Document* d = getDocument();
  return d ? d->containerChunk(this, program) : std::vector<uint8_t>{};
}

int CContainer::setChunk(const uint8_t* data, std::size_t length, bool program) {
  if (Document* d = getDocument()) d->setContainerChunk(this, data, length, program);
  return 0;
}

}  // namespace kv
