// Text form -> document objects -> archive bytes.
//
// Modules are made through the module registry, exactly as the editor makes them, and joined
// with the plugs' own connect(), so every rule of the document applies: a connection to a
// container's free plug (or its IO module's) makes a new pair of container plugs, duplicating
// inputs grow a new spare, and a refused connection fails the compile with the document's
// own message. Plug values are set last, once every connection (and so every container plug)
// exists.
#include <map>
#include <set>
#include <stdexcept>

#include "document/korvane_doc_vst.h"
#include "document/model/container.h"
#include "document/model/control.h"
#include "document/model/line.h"
#include "document/model/plug.h"
#include "document/text/json_lines.h"
#include "document/text/patch_text.h"
#include "document/text/skin_list_text.h"
#include "document/text/text_form_common.h"
#include "modules/registry/module_registry.h"
#include "platform/message_service.h"
#include "document/model/module_factory.h"

namespace kv::text {

namespace {

using json = nlohmann::json;

struct CompileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const json& at, const std::string& what) {
  const int line = lineOf(at);
  throw CompileError(line > 0 ? "line " + std::to_string(line) + ": " + what : what);
}

void allowOnly(const json& node, const std::string& where, std::initializer_list<const char*> keys) {
  for (auto it = node.begin(); it != node.end(); ++it) {
    if (it.key() == kLineKey) continue;
    bool known = false;
    for (const char* k : keys) known = known || it.key() == k;
    if (!known) fail(node, "unknown item \"" + it.key() + "\" in " + where);
  }
}

const json* find(const json& node, const char* key) {
  auto it = node.find(key);
  return it == node.end() ? nullptr : &*it;
}

std::string text(const json& node, const char* key, const std::string& where, const std::string& fallback = "") {
  const json* v = find(node, key);
  if (!v) return fallback;
  if (!v->is_string()) fail(node, "\"" + std::string(key) + "\" of " + where + " must be a text");
  return utf8ToWindows1252(v->get<std::string>());
}

int32_t integer(const json& node, const char* key, const std::string& where, int32_t fallback,
                int64_t lo = INT32_MIN, int64_t hi = INT32_MAX) {
  const json* v = find(node, key);
  if (!v) return fallback;
  if (!v->is_number_integer()) fail(node, "\"" + std::string(key) + "\" of " + where + " must be a whole number");
  const int64_t n = v->is_number_unsigned() ? static_cast<int64_t>(std::min<uint64_t>(v->get<uint64_t>(), INT64_MAX))
                                            : v->get<int64_t>();
  if (n < lo || n > hi)
    fail(node, "\"" + std::string(key) + "\" of " + where + " must lie between " + std::to_string(lo) + " and " +
                   std::to_string(hi));
  return static_cast<int32_t>(n);
}

bool boolean(const json& node, const char* key, const std::string& where, bool fallback) {
  const json* v = find(node, key);
  if (!v) return fallback;
  if (!v->is_boolean()) fail(node, "\"" + std::string(key) + "\" of " + where + " must be true or false");
  return v->get<bool>();
}

std::vector<int32_t> integers(const json& node, const char* key, const std::string& where, size_t n) {
  const json* v = find(node, key);
  if (!v->is_array() || v->size() != n) fail(node, "\"" + std::string(key) + "\" of " + where + " must be a list of " + std::to_string(n) + " whole numbers");
  std::vector<int32_t> out;
  for (const json& e : *v) {
    if (!e.is_number_integer() || e.get<int64_t>() < INT32_MIN || e.get<int64_t>() > INT32_MAX)
      fail(node, "\"" + std::string(key) + "\" of " + where + " must be a list of " + std::to_string(n) + " whole numbers");
    out.push_back(static_cast<int32_t>(e.get<int64_t>()));
  }
  return out;
}

Rect rectOf(const json& node, const char* key, const std::string& where) {
  auto v = integers(node, key, where, 4);
  return Rect{v[0], v[1], v[2], v[3]};
}

std::string describe(const json& node) {
  if (!node.is_object()) return "a module";
  std::string id;
  if (const json* v = find(node, "id"); v && v->is_string()) id = v->get<std::string>();
  else if (const json* t = find(node, "title"); t && t->is_string()) id = t->get<std::string>();
  else if (const json* ty = find(node, "type"); ty && ty->is_string()) id = "a \"" + ty->get<std::string>() + "\"";
  if (id.empty()) return "a module";
  return id[0] == 'a' && id.rfind("a \"", 0) == 0 ? id : "module \"" + id + "\"";
}

// "<who> has no plug "<name>"", followed by the plugs the module does have and the nearest
// of them to the name, so that a misspelt plug name is put right from the message alone.
std::string noSuchPlug(const CUG* m, const std::string& who, const std::string& name) {
  std::vector<std::string> names;
  for (const std::string& n : plugRefTexts(m))
    if (!n.empty()) names.push_back(windows1252ToUtf8(n));
  std::string list;
  for (const std::string& n : names) list += (list.empty() ? "" : ", ") + n;
  std::string text = who + " has no plug \"" + windows1252ToUtf8(name) + "\"; its plugs: " + (list.empty() ? "none" : list);
  const std::string nearest = nearestName(windows1252ToUtf8(name), names);
  return nearest.empty() ? text : text + "; did you mean \"" + nearest + "\"?";
}

struct PendingValue {
  CUG* module;
  std::string plug;
  std::string value;
  const json* at;
  std::string where;
};

class Compiler {
 public:
  Compiler(CKorvaneDocVST& doc, SkinListText* skins) : doc_(doc), skins_(skins) {}

  void compile(const json& top) {
    if (!top.is_object()) throw CompileError("line 1: a patch is one JSON object");
    allowOnly(top, "the patch", {"header", "embedded_files", "skins", "root"});
    if (const json* h = find(top, "header")) header(*h);
    if (const json* f = find(top, "embedded_files")) files(*f);
    if (const json* s = find(top, "skins")) skins(*s);
    const json* root = find(top, "root");
    if (!root || !root->is_object()) fail(top, "the patch needs a \"root\" container");
    Module_Info* type = GetModuleRegistry().FindModuleInfo("Container");
    auto* c = new CContainer(type);
    doc_.setRoot(c);
    if (const json* t = find(*root, "type"); t && (!t->is_string() || t->get<std::string>() != "Container"))
      fail(*root, "the root must be of type \"Container\"");
    container(*root, c, true);
    for (const PendingValue& p : values_) {
      CPlug2* plug = findPlug(p.module, parsePlugRef(p.plug));
      if (!plug) fail(*p.at, noSuchPlug(p.module, p.where, p.plug));
      plug->setValueQuiet(p.value);
    }
  }

 private:
  void header(const json& h) {
    if (!h.is_object()) fail(h, "\"header\" must be an object");
    const std::string w = "the header";
    allowOnly(h, w, {"title", "header_flag", "option", "unique_id", "text_1", "flag_2", "text_2", "mono_capable",
                     "editor_size", "plugin_flags", "program_count", "text_3", "text_4", "product"});
    PatchHeader& d = doc_.header();
    d.doc_title = text(h, "title", w);
    d.header_flag = boolean(h, "header_flag", w, false);
    d.option_byte = static_cast<uint8_t>(integer(h, "option", w, 0, 0, 1));
    d.unique_id_text = text(h, "unique_id", w);
    d.header_text_1 = text(h, "text_1", w);
    d.header_flag_2 = boolean(h, "flag_2", w, false);
    d.header_text_2 = text(h, "text_2", w);
    d.mono_capable = boolean(h, "mono_capable", w, true);
    if (find(h, "editor_size")) {
      auto v = integers(h, "editor_size", w, 2);
      if (v[0] < 0 || v[1] < 0 || v[0] > kMaxEditorSide || v[1] > kMaxEditorSide)
        fail(h, "\"editor_size\" of the header must lie between 0 and " + std::to_string(kMaxEditorSide));
      d.editor_size = {v[0], v[1]};
    }
    d.plugin_flags = integer(h, "plugin_flags", w, 0);
    d.program_count = integer(h, "program_count", w, 16, 1, kMaxProgramCount);
    d.header_text_3 = text(h, "text_3", w);
    d.header_text_4 = text(h, "text_4", w);
    d.product_text = text(h, "product", w);
  }

  void skins(const json& list) {
    if (!skins_) fail(list, "\"skins\": embedded skins can't be compiled here");
    try {
      skins_->compile(list);
    } catch (const CompileError&) {
      throw;
    } catch (const std::runtime_error& e) {
      throw CompileError(e.what());
    }
    doc_.header().skins_embedded = 1;
    doc_.setSkinListWriter([s = skins_](ArchiveWriter& w) { s->write(w); });
  }

  void files(const json& list) {
    if (!list.is_array()) fail(list, "\"embedded_files\" must be a list");
    EmbeddedFileList files;
    for (const json& f : list) {
      if (!f.is_object()) fail(list, "each embedded file must be an object");
      allowOnly(f, "an embedded file", {"name", "data"});
      const std::string name = text(f, "name", "an embedded file");
      const json* data = find(f, "data");
      if (!data || !data->is_string()) fail(f, "embedded file \"" + name + "\" needs \"data\" (base64)");
      auto bytes = fromBase64(data->get<std::string>());
      if (!bytes) fail(f, "the \"data\" of embedded file \"" + name + "\" is not base64");
      files.push_back(std::make_unique<imbedded_file>(name, std::move(*bytes)));
    }
    doc_.TakeEmbeddedFiles(files);
  }

  void common(const json& node, CUG* m, const std::string& where) {
    if (find(node, "title")) m->setTitleQuiet(text(node, "title", where));
    if (find(node, "rect")) m->setRectQuiet(rectOf(node, "rect", where));
    m->setDisabledQuiet(boolean(node, "disabled", where, false));
    if (const json* plugs = find(node, "plugs")) {
      if (!plugs->is_object()) fail(node, "\"plugs\" of " + where + " must be an object of plug names and values");
      for (auto it = plugs->begin(); it != plugs->end(); ++it) {
        if (it.key() == kLineKey) continue;
        if (!it.value().is_string())
          fail(*plugs, "the value of plug \"" + it.key() + "\" of " + where + " must be a text");
        values_.push_back({m, utf8ToWindows1252(it.key()), utf8ToWindows1252(it.value().get<std::string>()),
                           plugs, where});
      }
    }
  }

  void control(const json& node, CControl* c, const std::string& where) {
    if (find(node, "control_id")) c->setControlId(integer(node, "control_id", where, 0));
    if (find(node, "hint")) c->setHint(text(node, "hint", where));
    const json* one = find(node, "value");
    const json* many = find(node, "values");
    if (one && many) fail(node, where + " has both \"value\" and \"values\"");
    if (!one && !many) return;
    std::vector<json> items;
    if (one) items.push_back(*one);
    else if (!many->is_array() || many->empty() || many->size() > size_t(c->patchCount()))
      fail(node, "\"values\" of " + where + " must list 1 to " + std::to_string(c->patchCount()) + " values");
    else items.assign(many->begin(), many->end());
    switch (c->valueType()) {
      case CControl::kText: {
        std::vector<std::string> v;
        for (const json& e : items) {
          if (!e.is_string()) fail(node, "the values of " + where + " must be texts");
          v.push_back(utf8ToWindows1252(e.get<std::string>()));
          const std::string error = c->valueTextError(v.back());
          if (!error.empty()) fail(node, "the value \"" + e.get<std::string>() + "\" of " + where + ": " + error);
        }
        c->setStoredTexts(v);
        break;
      }
      case CControl::kInteger: {
        std::vector<int32_t> v;
        for (const json& e : items) {
          if (!e.is_number_integer() || e.get<int64_t>() < INT32_MIN || e.get<int64_t>() > INT32_MAX)
            fail(node, "the values of " + where + " must be whole numbers");
          v.push_back(static_cast<int32_t>(e.get<int64_t>()));
        }
        c->setStoredInts(v);
        break;
      }
      default: {
        std::vector<double> v;
        for (const json& e : items) {
          if (!e.is_number()) fail(node, "the values of " + where + " must be numbers");
          v.push_back(e.get<double>());
        }
        c->setStoredFloats(v);
        break;
      }
    }
  }

  void containerSettings(const json& node, CContainer* c, const std::string& where) {
    if (find(node, "panel_rect")) c->setRect(kViewPanel, rectOf(node, "panel_rect", where));
    if (find(node, "panel_bounds")) c->setBounds(kViewPanel, rectOf(node, "panel_bounds", where));
    if (find(node, "structure_bounds")) c->setBounds(kViewStructure, rectOf(node, "structure_bounds", where));
    if (find(node, "view_flags")) c->addViewFlags(integer(node, "view_flags", where, 0));
    if (find(node, "skin")) c->setSkinName(text(node, "skin", where));
    if (const json* p = find(node, "programs")) {
      if (!p->is_array() || p->size() > CContainer::kProgramCount)
        fail(node, "\"programs\" of " + where + " must list at most 128 names");
      std::vector<std::string> names;
      for (const json& e : *p) {
        if (!e.is_string()) fail(node, "\"programs\" of " + where + " must list texts");
        names.push_back(utf8ToWindows1252(e.get<std::string>()));
      }
      c->setProgramNames(names);
    }
    c->setCurrentProgramQuiet(integer(node, "current_program", where, 0, 0, CContainer::kProgramCount - 1));
    c->setSpareLockedQuiet(boolean(node, "spare_locked", where, false));
  }

  void container(const json& node, CContainer* c, bool is_root) {
    const std::string where = is_root ? "the root container" : describe(node);
    allowOnly(node, where, {"type", "id", "title", "rect", "disabled", "plugs", "panel_rect", "panel_bounds",
                            "structure_bounds", "view_flags", "skin", "programs", "current_program", "spare_locked",
                            "children", "connections"});
    common(node, c, where);
    containerSettings(node, c, where);
    std::map<std::string, CUG*> ids;
    if (const json* children = find(node, "children")) {
      if (!children->is_array()) fail(node, "\"children\" of " + where + " must be a list");
      for (const json& child : *children) {
        if (!child.is_object()) fail(*children, "each child of " + where + " must be an object");
        CUG* m = module(child, c, is_root);
        std::string id = find(child, "id") ? text(child, "id", describe(child)) : m->getTitle();
        if (!ids.emplace(id, m).second)
          fail(child, "two modules of " + where + " are called \"" + id + "\": give one an \"id\"");
      }
    }
    // An IO module the text does not list is still there to connect to, under its title.
    if (CUG* io = c->existingIOModule()) ids.emplace(io->getTitle(), io);
    if (const json* conns = find(node, "connections")) {
      if (!conns->is_array()) fail(node, "\"connections\" of " + where + " must be a list");
      for (const json& conn : *conns) connect(conn, c, ids, where);
    }
  }

  CUG* module(const json& node, CContainer* parent, bool parent_is_root) {
    const std::string where = describe(node);
    const json* t = find(node, "type");
    if (!t || !t->is_string()) fail(node, where + " needs a \"type\" (a module type id)");
    const std::string type = t->get<std::string>();
    Module_Info* info = GetModuleRegistry().FindModuleInfo(type);
    if (!info) fail(node, "unknown module type \"" + type + "\" (" + where + ")");
    if (info->flags & mf_io_module) {
      if (parent_is_root) fail(node, "the root container cannot hold an IO module (" + where + ")");
      allowOnly(node, where, {"type", "id", "title", "rect", "disabled", "plugs"});
      if (parent->existingIOModule() && seen_io_.count(parent))
        fail(node, "a container holds one IO module only (" + where + ")");
      seen_io_.insert(parent);
      CUG* io = parent->findIOModule();
      // The container made it first; it takes its place in the order the text lists.
      parent->release(io);
      parent->adoptAtEnd(io);
      common(node, io, where);
      return io;
    }
    CDocOb* made = CreateDocumentModule(type);
    auto* m = dynamic_cast<CUG*>(made);
    if (!m) {
      delete made;
      fail(node, "module type \"" + type + "\" is not a module that the text form can describe (" + where + ")");
    }
    parent->adoptAtEnd(m);
    if (auto* c = dynamic_cast<CContainer*>(m)) {
      container(node, c, false);
      return c;
    }
    if (auto* ctl = dynamic_cast<CControl*>(m)) {
      allowOnly(node, where, {"type", "id", "title", "rect", "disabled", "plugs", "panel_rect", "control_id", "hint",
                              "value", "values"});
      common(node, m, where);
      if (find(node, "panel_rect")) ctl->setRect(kViewPanel, rectOf(node, "panel_rect", where));
      control(node, ctl, where);
      return m;
    }
    allowOnly(node, where, {"type", "id", "title", "rect", "disabled", "plugs"});
    common(node, m, where);
    return m;
  }

  std::pair<CUG*, std::string> end(const json& conn, const char* key, const std::map<std::string, CUG*>& ids,
                                   const std::string& where) {
    const json* e = find(conn, key);
    if (!e || !e->is_array() || e->size() != 2 || !(*e)[0].is_string() || !(*e)[1].is_string())
      fail(conn, "\"" + std::string(key) + "\" of a connection in " + where + " must be [\"module\", \"plug\"]");
    const std::string id = utf8ToWindows1252((*e)[0].get<std::string>());
    auto it = ids.find(id);
    if (it == ids.end()) fail(conn, "a connection in " + where + " names no module \"" + id + "\"");
    return {it->second, utf8ToWindows1252((*e)[1].get<std::string>())};
  }

  void connect(const json& conn, CContainer* c, const std::map<std::string, CUG*>& ids, const std::string& where) {
    if (!conn.is_object()) fail(conn, "each connection of " + where + " must be an object");
    allowOnly(conn, "a connection", {"from", "to"});
    auto [from_module, from_name] = end(conn, "from", ids, where);
    auto [to_module, to_name] = end(conn, "to", ids, where);
    const std::string text_of = "\"" + from_module->getTitle() + "\" \"" + from_name + "\" to \"" +
                                to_module->getTitle() + "\" \"" + to_name + "\"";
    CPlug2* from = plugOrSpare(from_module, from_name);
    CPlug2* to = plugOrSpare(to_module, to_name);
    if (!from || !to) {
      CUG* m = from ? to_module : from_module;
      const std::string who =
          std::string("the \"") + (from ? "to" : "from") + "\" module \"" + windows1252ToUtf8(m->getTitle()) + "\"";
      fail(conn, "can't connect " + text_of + ": " + noSuchPlug(m, who, from ? to_name : from_name));
    }
    MessageService messages;
    messages.setLogToStderr(false);
    CLine2* line;
    {
      MessageServiceScope scope(messages);
      line = from->connect(to);
    }
    if (!line) {
      auto shown = messages.shownTexts();
      fail(conn, "can't connect " + text_of + (shown.empty() ? std::string() : ": " + shown.back()));
    }
    // A new pair of container plugs takes the name the text gives it.
    for (auto [m, name, plug] : {std::tuple{from_module, from_name, from}, std::tuple{to_module, to_name, to}}) {
      const PlugRef ref = parsePlugRef(name);
      if (findPlug(m, ref) == nullptr) plug->setName(ref.name);
    }
  }

  // The named plug; for a container or an IO module a name it does not have yet means its
  // free plug, which the connection turns into a new pair.
  CPlug2* plugOrSpare(CUG* m, const std::string& name) {
    if (CPlug2* p = findPlug(m, parsePlugRef(name))) return p;
    if (dynamic_cast<CContainer*>(m) || (m->getModuleFlags() & mf_io_module)) return findSparePlug(m);
    return nullptr;
  }

  CKorvaneDocVST& doc_;
  SkinListText* skins_;
  std::vector<PendingValue> values_;
  std::set<CContainer*> seen_io_;
};

}  // namespace

CompileResult compilePatchText(std::string_view source, SkinListText* skins) {
  CompileResult result;
  try {
    json top = parseWithLines(source);
    CKorvaneDocVST doc;
    Compiler(doc, skins).compile(top);
    result.archive = doc.SavePatch();
    // The bytes must load as the plug-in loads them.
    SkinListReader reader;
    if (skins) reader = [skins](ArchiveReader& r) { skins->read(r); };
    PatchLoad check = readPatch(result.archive, skins ? skins->classes() : patchClasses(), reader);
    if (check.status != PatchLoad::kLoaded) {
      result.archive.clear();
      result.message = "the compiled patch does not load: " + check.message;
      return result;
    }
    result.ok = true;
  } catch (const JsonSyntaxError& e) {
    result.message = e.what();
  } catch (const CompileError& e) {
    result.message = e.what();
  } catch (const std::exception& e) {
    result.message = std::string("the patch could not be compiled: ") + e.what();
  }
  return result;
}

}  // namespace kv::text
