#include "tools/patch/patch_tool.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "korvane_version.h"
#include "app/korvane_app_vst.h"
#include "document/archive/patch_source.h"
#include "document/archive/scramble.h"
#include "document/model/container.h"
#include "engine/types.h"
#include "document/patch_header.h"
#include "document/text/patch_text.h"
#include "document/text/text_form_common.h"
#include "panel/skin/skin_list_text_form.h"
#include "platform/elf_section_reader.h"
#include "platform/elf_section_writer.h"
#include "platform/message_service.h"
#include "platform/module_path.h"
#include "tools/patch/module_reference.h"
#include "tools/patch/patch_document.h"
#include "tools/patch/plugin_strip.h"

namespace kv {

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  korvane-patch compile PATCH.json -o PATCH.kv1\n"
    "  korvane-patch dump PATCH.kv1 [-o PATCH.json]\n"
    "  korvane-patch build PATCH.kv1|PATCH.json -o NAME.so [--plugin korvane.so] [--keep-debug]\n"
    "  korvane-patch extract NAME.so [-o PATCH.kv1]\n"
    "  korvane-patch check FILE\n"
    "  korvane-patch modules [TYPE] [--json]\n"
    "  korvane-patch --version\n";

// The section of a built plug-in that names the tools that built it.
constexpr char kBuiltBySection[] = ".korvane.built-by";

std::optional<std::vector<uint8_t>> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

// Written to a temporary file beside the target, then renamed over it: a failed write never
// leaves a half-written file under the target's name.
bool writeFile(const std::string& path, const void* data, size_t size, std::ostream& err, bool executable = false) {
  const std::string temp = path + ".tmp-korvane-patch";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temp, ignored);
      err << "korvane-patch: can't write " << path << "\n";
      return false;
    }
  }
  std::error_code ec;
  if (executable) {
    std::filesystem::permissions(temp,
                                 std::filesystem::perms::owner_exec | std::filesystem::perms::group_exec |
                                     std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    err << "korvane-patch: can't write " << path << "\n";
    return false;
  }
  return true;
}

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::ostream& err, bool exec = false) {
  return writeFile(path, bytes.data(), bytes.size(), err, exec);
}

bool endsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool looksLikeElf(const std::vector<uint8_t>& b) {
  return b.size() >= 4 && b[0] == 0x7F && b[1] == 'E' && b[2] == 'L' && b[3] == 'F';
}

bool looksLikeJson(const std::string& path, const std::vector<uint8_t>& b) {
  if (endsWith(path, ".json")) return true;
  for (uint8_t c : b) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    return c == '{';
  }
  return false;
}

struct Args {
  std::vector<std::string> positional;
  std::string output;
  std::string plugin;
  bool keepDebug = false;
  bool json = false;
  bool ok = true;
};

Args parse(const std::vector<std::string>& args, size_t from) {
  Args a;
  for (size_t i = from; i < args.size(); ++i) {
    if (args[i] == "-o" || args[i] == "--plugin") {
      if (i + 1 >= args.size()) {
        a.ok = false;
        break;
      }
      std::string& target = args[i] == "-o" ? a.output : a.plugin;
      target = args[++i];
    } else if (args[i] == "--keep-debug") {
      a.keepDebug = true;
    } else if (args[i] == "--json") {
      a.json = true;
    } else {
      a.positional.push_back(args[i]);
    }
  }
  return a;
}

// Compiles a text form; the files its embedded skins name are read beside it.
text::CompileResult compileText(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  SkinListTextForm skins(folder.empty() ? "." : folder);
  return text::compilePatchText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &skins);
}

// The patch archive from a text form or an archive file.
std::optional<std::vector<uint8_t>> patchFrom(const std::string& path, std::ostream& err) {
  auto bytes = readFile(path);
  if (!bytes) {
    err << "korvane-patch: can't read " << path << "\n";
    return std::nullopt;
  }
  if (!looksLikeJson(path, *bytes)) return bytes;
  text::CompileResult r = compileText(path, *bytes);
  if (!r.ok) {
    err << path << ": " << r.message << "\n";
    return std::nullopt;
  }
  return r.archive;
}

int compile(const Args& a, std::ostream& err) {
  if (a.positional.size() != 1 || a.output.empty()) {
    err << kUsage;
    return 2;
  }
  auto bytes = readFile(a.positional[0]);
  if (!bytes) {
    err << "korvane-patch: can't read " << a.positional[0] << "\n";
    return 1;
  }
  text::CompileResult r = compileText(a.positional[0], *bytes);
  if (!r.ok) {
    err << a.positional[0] << ": " << r.message << "\n";
    return 1;
  }
  return writeBytes(a.output, r.archive, err) ? 0 : 1;
}

int dump(const Args& a, std::ostream& out, std::ostream& err) {
  if (a.positional.size() != 1) {
    err << kUsage;
    return 2;
  }
  auto bytes = readFile(a.positional[0]);
  if (!bytes) {
    err << "korvane-patch: can't read " << a.positional[0] << "\n";
    return 1;
  }
  SkinListTextForm skins;
  text::DumpResult r = text::dumpPatchText(*bytes, &skins);
  if (!r.ok) {
    err << a.positional[0] << ": " << r.message << "\n";
    return 1;
  }
  if (a.output.empty()) {
    out << r.json;
    return 0;
  }
  return writeFile(a.output, r.json.data(), r.json.size(), err) ? 0 : 1;
}

std::string defaultPlugin() {
  const std::string self = ownModulePath();
  if (self.empty()) return "korvane.so";
  return (std::filesystem::path(self).parent_path() / "korvane.so").string();
}

// Loads `archive` into `doc`; on failure prints the load's messages, naming `path`.
bool loadQuietly(PatchDocument& doc, const std::vector<uint8_t>& archive, const std::string& path,
                 std::ostream& err) {
  MessageService messages;
  messages.setLogToStderr(false);
  MessageServiceScope scope(messages);
  if (doc.load(archive)) return true;
  for (const Message& m : messages.shown()) err << path << ": " << m.text << "\n";
  return false;
}

// Runs the engine of a loaded patch briefly as a host does (sample rate, block size, resume,
// a few blocks, idle, suspend), so that whatever the engine tells the user while it starts
// (a patch it refuses to run, a file it cannot find) is shown through the current message
// service.
void runEngineBriefly(std::unique_ptr<PatchDocument> doc, const std::string& path) {
  constexpr float kRate = 44100.0f;
  constexpr int kBlock = 512;
  constexpr int kBlocks = 8;
  CKorvaneAppVST app([&doc](const std::string&) -> std::unique_ptr<Document> { return std::move(doc); });
  if (!app.InitInstanceFrom(path) || !app.GetPatchContainer()) return;
  app.WireHostIo();
  CContainer* patch = app.GetPatchContainer();
  const int inputs = patch->countAudioPlugs(DR_IN), outputs = patch->countAudioPlugs(DR_OUT);
  std::vector<std::vector<float>> buffers(static_cast<size_t>(inputs + outputs), std::vector<float>(kBlock, 0.0f));
  std::vector<float*> channels;
  for (auto& b : buffers) channels.push_back(b.data());
  app.SetSampleRate(kRate);
  app.SetBlockSize(kBlock);
  if (app.StartEngineVst(app.GetPatchRoot())) {
    for (int i = 0; i < kBlocks; ++i) {
      {
        AudioThreadScope audio;
        app.ProcessHostCall(channels.data(), inputs, channels.data() + inputs, outputs, kBlock, true);
      }
      app.ServiceRefreshQueue();
    }
  }
  app.StopEngineVst();
  app.ServiceRefreshQueue();
  MessageService::current().flushQueued();
}

int build(const Args& a, std::ostream& out, std::ostream& err) {
  if (a.positional.size() != 1 || a.output.empty()) {
    err << kUsage;
    return 2;
  }
  auto archive = patchFrom(a.positional[0], err);
  if (!archive) return 1;
  // The patch must load as the plug-in will load it, and carry an id of its own.
  PatchDocument load;
  if (!loadQuietly(load, *archive, a.positional[0], err)) return 1;
  const std::string id = load.unique_id_text();
  if (id.empty()) {
    err << a.positional[0]
        << ": the patch has no unique id; give its header a \"unique_id\" of four characters that no other "
           "plug-in uses\n";
    return 1;
  }
  const std::string plugin = a.plugin.empty() ? defaultPlugin() : a.plugin;
  const std::string debugFile = debugFileFor(a.output);
  std::optional<std::vector<uint8_t>> image;
  if (a.keepDebug) {
    image = readFile(plugin);
  } else if (std::ifstream(plugin).good()) {
    std::vector<uint8_t> stripped;
    std::string error;
    if (!stripPlugin(plugin, debugFile, stripped, error)) {
      err << plugin << ": " << error << "\n";
      return 1;
    }
    image = std::move(stripped);
  }
  if (!image) {
    err << "korvane-patch: can't read the plug-in " << plugin << "\n";
    return 1;
  }
  // Written once the output is complete; a failed build leaves no debug file behind.
  struct DropDebugFile {
    const std::string& path;
    bool keep = false;
    ~DropDebugFile() {
      std::error_code ignored;
      if (!keep) std::filesystem::remove(path, ignored);
    }
  } dropDebug{debugFile, a.keepDebug};
  std::vector<uint8_t> scrambled = *archive;
  scramblePatch(scrambled);
  ElfSectionAdded added = addElfSection(*image, kPatchSectionName, scrambled);
  const std::string builtBy = std::string("korvane-patch ") + kKorvaneVersion;
  if (added.ok)
    added = addElfSection(added.image, kBuiltBySection,
                          std::span(reinterpret_cast<const uint8_t*>(builtBy.data()), builtBy.size()));
  if (!added.ok) {
    err << plugin << ": " << added.error << "\n";
    return 1;
  }
  // Read back what was written before handing it out.
  ElfSection check = readElfSection(added.image, kPatchSectionName);
  if (check.status != ElfSection::Status::kFound || check.bytes != scrambled) {
    err << "korvane-patch: the patch section did not read back\n";
    return 1;
  }
  if (!writeBytes(a.output, added.image, err, true)) return 1;
  dropDebug.keep = true;
  out << a.output << ": patch \"" << id << "\" (id 0x" << std::hex
      << static_cast<uint32_t>(CKorvaneDocBase::UniqueIdOf(id)) << std::dec << "), "
      << archive->size() << " bytes\n";
  return 0;
}

int extract(const Args& a, std::ostream& out, std::ostream& err) {
  if (a.positional.size() != 1) {
    err << kUsage;
    return 2;
  }
  PatchBytes found = readModulePatch(a.positional[0]);
  if (found.origin == PatchBytes::Origin::kNone) {
    err << found.message << "\n";
    return 1;
  }
  // Handed out only when it loads as the plug-in would load it.
  PatchDocument load;
  if (!loadQuietly(load, found.bytes, a.positional[0], err)) return 1;
  if (a.output.empty()) {
    out.write(reinterpret_cast<const char*>(found.bytes.data()), static_cast<std::streamsize>(found.bytes.size()));
    return 0;
  }
  return writeBytes(a.output, found.bytes, err) ? 0 : 1;
}

int check(const Args& a, std::ostream& out, std::ostream& err) {
  if (a.positional.size() != 1) {
    err << kUsage;
    return 2;
  }
  const std::string& path = a.positional[0];
  MessageService messages;
  messages.setLogToStderr(false);
  MessageServiceScope scope(messages);
  auto doc = std::make_unique<PatchDocument>();
  bool loaded = false;
  auto bytes = readFile(path);
  if (bytes && looksLikeElf(*bytes)) {
    loaded = doc->LoadFromModule(path);  // as the plug-in does: its section, else the ".dat" beside it
  } else if (bytes) {
    std::optional<std::vector<uint8_t>> archive = bytes;
    if (looksLikeJson(path, *bytes)) {
      text::CompileResult r = compileText(path, *bytes);
      if (!r.ok) showMessage(r.message, MessageIcon::Exclamation);
      archive = r.ok ? std::optional(r.archive) : std::nullopt;
    }
    loaded = archive && doc->load(*archive);
  } else {
    loaded = doc->LoadFromModule(path);  // no such file: the plug-in would look for the ".dat"
  }
  CContainer* patch = doc->GetPatchContainer();
  if (!loaded || !patch) {
    for (const Message& m : messages.shown()) err << m.text << "\n";
    if (loaded) err << path << ": the patch holds no patch container\n";
    out << path << ": not loaded\n";
    return 1;
  }
  out << path << ": loaded \"" << patch->getTitle() << "\", unique id \"" << doc->unique_id_text() << "\" (0x" << std::hex
      << static_cast<uint32_t>(doc->GetUniqueId()) << std::dec << "), " << doc->program_count() << " programs, "
      << doc->embeddedFiles().size() << " embedded files, " << doc->skinsRead().size() << " embedded skins\n";
  if (bytes && looksLikeElf(*bytes)) {
    const ElfSection builtBy = readElfSection(*bytes, kBuiltBySection);
    if (builtBy.status == ElfSection::Status::kFound)
      out << path << ": built by " << std::string(builtBy.bytes.begin(), builtBy.bytes.end()) << "\n";
  }
  // What a host would show once it starts the plug-in.
  runEngineBriefly(std::move(doc), path);
  for (const Message& m : messages.shown()) err << m.text << "\n";
  return messages.shown().empty() ? 0 : 1;
}

// The module types a patch can name, or one type's plugs.
int modules(const Args& a, std::ostream& out, std::ostream& err) {
  if (a.positional.size() > 1) {
    err << kUsage;
    return 2;
  }
  const std::vector<ModuleFacts> all = moduleReference();
  if (a.positional.empty()) {
    out << (a.json ? moduleListJson(all) : moduleListText(all));
    return 0;
  }
  const std::string& type = a.positional[0];
  const ModuleFacts* m = findModuleFacts(all, type);
  if (!m) {
    std::vector<std::string> ids;
    for (const ModuleFacts& f : all) ids.push_back(f.id);
    const std::string nearest = text::nearestName(type, ids);
    err << "korvane-patch: no module type \"" << type << "\""
        << (nearest.empty() ? std::string() : "; did you mean \"" + nearest + "\"?") << "\n";
    return 1;
  }
  out << (a.json ? moduleJson(*m) : moduleText(*m));
  return 0;
}

}  // namespace

int runPatchTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsage;
    return 2;
  }
  Args a = parse(args, 1);
  if (!a.ok) {
    err << kUsage;
    return 2;
  }
  const std::string& command = args[0];
  if (command == "--version") {
    out << "korvane-patch " << kKorvaneVersion << "\n";
    return 0;
  }
  if (command == "compile") return compile(a, err);
  if (command == "dump") return dump(a, out, err);
  if (command == "build") return build(a, out, err);
  if (command == "extract") return extract(a, out, err);
  if (command == "check") return check(a, out, err);
  if (command == "modules") return modules(a, out, err);
  err << kUsage;
  return 2;
}

}  // namespace kv
