#include "tools/plugin_state.h"

#include <filesystem>
#include <fstream>
#include <algorithm>
#include <iterator>
#include <span>

#include "hosting/vst_plugin.h"
#include "document/presets/preset_file.h"

namespace kv {

namespace {

bool hasTag(std::span<const uint8_t> bytes, std::size_t at, const char* tag) {
  return bytes.size() >= at + 4 && std::equal(tag, tag + 4, bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

// One line saying why a file could not be read as a preset file of `kind`.
std::string presetFileProblem(std::span<const uint8_t> bytes, PresetKind kind, PresetReadError read) {
  const bool bank = kind == PresetKind::kBank;
  if (!hasTag(bytes, 0, "CcnK")) return "not a bank or program file (no \"CcnK\" header)";
  if (read == PresetReadError::kWrongKind) {
    if (hasTag(bytes, 8, "FxCk") || hasTag(bytes, 8, "FxBk"))
      return "the file stores a parameter list, not a state chunk; this host moves only chunks";
    if (hasTag(bytes, 8, bank ? "FPCh" : "FBCh"))
      return bank ? "this is a program file, not a bank file" : "this is a bank file, not a program file";
    return "unknown bank or program file kind";
  }
  if (read == PresetReadError::kBadChunkSize) return "the file announces an empty chunk";
  return "the file ends inside its header or its chunk";
}

bool usesChunks(const RenderOptions& o) {
  return !o.chunkIn.empty() || !o.chunkOut.empty() || !o.fxbIn.empty() || !o.fxpIn.empty() ||
         !o.fxbOut.empty() || !o.fxpOut.empty();
}

// The chunk to give the plug-in and whether it is a program's, from whichever input names one.
bool readStateInput(const RenderOptions& o, VstPlugin& plugin, std::vector<uint8_t>& chunk,
                    bool& preset, std::string& error) {
  preset = o.presetChunk;
  if (!o.chunkIn.empty()) {
    if (!readWholeFile(o.chunkIn, chunk, error)) return false;
    if (chunk.empty()) {
      error = o.chunkIn + ": the chunk file is empty";
      return false;
    }
    return true;
  }
  const std::string& path = o.fxbIn.empty() ? o.fxpIn : o.fxbIn;
  if (path.empty()) return true;
  std::vector<uint8_t> bytes;
  if (!readWholeFile(path, bytes, error)) return false;
  const bool wantBank = !o.fxbIn.empty();
  const PresetKind kind = wantBank ? PresetKind::kBank : PresetKind::kProgram;
  PresetFile file;
  const PresetReadError read = readPresetFile(bytes, kind, file);
  if (read != PresetReadError::kNone) {
    error = path + ": " + presetFileProblem(bytes, kind, read);
    return false;
  }
  if (file.header.id != plugin.uniqueId()) {
    error = path + ": the file belongs to plug-in id " + std::to_string(file.header.id) +
            ", not " + std::to_string(plugin.uniqueId());
    return false;
  }
  chunk.assign(file.chunk.begin(), file.chunk.end());
  preset = !wantBank;
  return true;
}

}  // namespace

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot open the file";
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = path + ": cannot read the file";
    return false;
  }
  return true;
}

bool writeFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes,
                        std::string& error) {
  const std::string temp = path + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out || !out.write(reinterpret_cast<const char*>(bytes.data()),
                           static_cast<std::streamsize>(bytes.size())) ||
        !out.flush()) {
      error = path + ": cannot write the file";
      std::error_code ec;
      std::filesystem::remove(temp, ec);
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    error = path + ": cannot write the file (" + ec.message() + ")";
    std::filesystem::remove(temp, ec);
    return false;
  }
  return true;
}

bool checkStateOptions(const RenderOptions& o, VstPlugin& plugin, std::string& error) {
  if (usesChunks(o) && !plugin.hasFlag(vst::effFlagsProgramChunks)) {
    error = o.plugin + ": the plug-in keeps no state chunk (it does not set the program-chunks flag)";
    return false;
  }
  if (o.program && *o.program >= plugin.numPrograms()) {
    error = "--program " + std::to_string(*o.program) + ": the plug-in has " +
            std::to_string(plugin.numPrograms()) + " programs";
    return false;
  }
  auto checkIndex = [&](const char* option, int index) {
    if (index < plugin.numParams()) return true;
    error = std::string(option) + " " + std::to_string(index) + ": the plug-in has " +
            std::to_string(plugin.numParams()) + " parameters";
    return false;
  };
  for (const auto& [index, value] : o.parameters)
    if (!checkIndex("--param", index)) return false;
  for (const AutomationPoint& p : o.automation)
    if (!checkIndex("--automate", p.index)) return false;
  return true;
}

bool applyStateOptions(const RenderOptions& o, VstPlugin& plugin, std::string& error) {
  if (o.program) plugin.setProgram(*o.program);
  std::vector<uint8_t> chunk;
  bool preset = false;
  if (!readStateInput(o, plugin, chunk, preset, error)) return false;
  if (!chunk.empty()) plugin.setChunk(chunk, preset);
  for (const auto& [index, value] : o.parameters) plugin.setParameter(index, value);
  return true;
}

bool saveStateOptions(const RenderOptions& o, VstPlugin& plugin, std::string& error) {
  struct Target {
    const std::string& path;
    bool preset;
    bool wrapped;  // in a bank or program file
  };
  const Target targets[] = {{o.chunkOut, o.presetChunk, false},
                            {o.fxbOut, false, true},
                            {o.fxpOut, true, true}};
  for (const Target& t : targets) {
    if (t.path.empty()) continue;
    // The chunk first: nothing is written (and no file replaced) when there is none.
    std::vector<uint8_t> chunk = plugin.chunk(t.preset);
    if (chunk.empty()) {
      error = o.plugin + ": the plug-in gave no state chunk; " + t.path + " not written";
      return false;
    }
    if (t.wrapped) {
      PresetHeader header;
      header.kind = t.preset ? PresetKind::kProgram : PresetKind::kBank;
      header.id = plugin.uniqueId();
      header.version = plugin.version();
      header.programCount = t.preset ? 1 : plugin.numPrograms();
      header.programName = plugin.currentProgramName();
      chunk = encodePresetFile(header, chunk);
    }
    if (!writeFileReplacing(t.path, chunk, error)) return false;
  }
  return true;
}

}  // namespace kv
