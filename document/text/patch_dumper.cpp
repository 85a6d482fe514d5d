// Archive bytes -> document objects -> text form. The dump writes what the compiler needs to
// make the same objects again: modules in child order, plug values that differ from the
// declaration's default, connections in the container's order, container settings, control
// values and program names that differ from the defaults.
#include <map>
#include <set>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "document/model/container.h"
#include "document/model/control.h"
#include "document/model/line.h"
#include "document/model/panel_controls.h"
#include "document/model/plug.h"
#include "document/patch_header.h"
#include "document/text/patch_text.h"
#include "document/text/skin_list_text.h"
#include "document/text/text_form_common.h"
#include "modules/registry/module_info.h"

namespace kv::text {

namespace {

using ojson = nlohmann::ordered_json;

struct DumpError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string u(const std::string& s) { return windows1252ToUtf8(s); }

ojson rectJson(const Rect& r) { return ojson::array({r.left, r.top, r.right, r.bottom}); }

std::string defaultProgramName(int i) { return "Patch " + std::to_string(i + 1); }

// Module classes whose records hold nothing beyond what a module made from its type holds.
const std::set<std::string> kPlainModuleClasses = {"CUG", "CSwitch", "CControlPlugs", "CFeedbackDelay",
                                                    "CUG_with_patches", "CMidiAutomator", "Ctl_PatchSel",
                                                    "ui_scaler",        "ui_spring"};
// Control classes whose records hold nothing beyond a control's own record.
const std::set<std::string> kPlainControlClasses = {"CControl", "Ctl_Slider", "Ctl_PushButton",
                                                     "Ctl_LED",  "Ctl_Combo",  "Ctl_Text",
                                                     "ui_control2", "ui_param_float_out", "Ctl_Env_Edit"};
const std::set<std::string> kPlainPlugClasses = {"CPlug2", "CPlugNameable", "CPlugIO2"};

class Dumper {
 public:
  ojson header(const PatchHeader& h) {
    ojson j = ojson::object();
    j["unique_id"] = u(h.unique_id_text);
    j["product"] = u(h.product_text);
    j["program_count"] = h.program_count;
    j["plugin_flags"] = h.plugin_flags;
    j["mono_capable"] = h.mono_capable;
    j["editor_size"] = ojson::array({h.editor_size.width, h.editor_size.height});
    if (!h.doc_title.empty()) j["title"] = u(h.doc_title);
    if (h.header_flag) j["header_flag"] = true;
    if (h.option_byte) j["option"] = 1;
    if (!h.header_text_1.empty()) j["text_1"] = u(h.header_text_1);
    if (h.header_flag_2) j["flag_2"] = true;
    if (!h.header_text_2.empty()) j["text_2"] = u(h.header_text_2);
    if (!h.header_text_3.empty()) j["text_3"] = u(h.header_text_3);
    if (!h.header_text_4.empty()) j["text_4"] = u(h.header_text_4);
    return j;
  }

  ojson container(CContainer* c, bool is_root) {
    ojson j = ojson::object();
    j["type"] = u(c->moduleTypeId());
    common(j, c);
    const Rect panel_rect = c->getRect(kViewPanel);
    if (!panel_rect.isZero()) j["panel_rect"] = rectJson(panel_rect);
    j["panel_bounds"] = rectJson(c->getBounds(kViewPanel));
    j["structure_bounds"] = rectJson(c->getBounds(kViewStructure));
    if (c->viewFlags()) j["view_flags"] = c->viewFlags();
    j["skin"] = u(c->skinName());
    std::vector<std::string> names = c->programNames();
    size_t used = names.size();
    while (used > 0 && names[used - 1] == defaultProgramName(static_cast<int>(used - 1))) --used;
    if (used) {
      ojson list = ojson::array();
      for (size_t i = 0; i < used; ++i) list.push_back(u(names[i]));
      j["programs"] = list;
    }
    if (c->currentProgram()) j["current_program"] = c->currentProgram();
    if (c->spareLocked()) j["spare_locked"] = true;

    // Ids: the title, unless another child has it too.
    std::map<std::string, int> title_count;
    for (CDocOb* child : c->children())
      if (auto* m = dynamic_cast<CUG*>(child)) ++title_count[m->getTitle()];
    std::map<const CUG*, std::string> ids;
    std::set<std::string> used_ids;
    for (CDocOb* child : c->children())
      if (auto* m = dynamic_cast<CUG*>(child); m && title_count[m->getTitle()] == 1) used_ids.insert(m->getTitle());
    ojson children = ojson::array();
    std::vector<CLine2*> lines;
    for (CDocOb* child : c->children()) {
      if (auto* line = dynamic_cast<CLine2*>(child)) {
        if (std::string(line->archiveClass().name) != "CLine2") refuse(child);
        lines.push_back(line);
        continue;
      }
      auto* m = dynamic_cast<CUG*>(child);
      if (!m) refuse(child);
      std::string id = m->getTitle();
      if (title_count[id] > 1) {
        int n = 1;
        do id = m->getTitle() + " " + std::to_string(n++);
        while (used_ids.count(id));
        used_ids.insert(id);
      }
      ids[m] = id;
      ojson cj = module(m);
      if (id != m->getTitle()) {
        ojson with_id = ojson::object();
        with_id["type"] = cj["type"];
        with_id["id"] = u(id);
        for (auto it = cj.begin(); it != cj.end(); ++it)
          if (it.key() != "type") with_id[it.key()] = it.value();
        cj = std::move(with_id);
      }
      children.push_back(std::move(cj));
    }
    if (!children.empty()) j["children"] = std::move(children);
    if (!lines.empty()) {
      ojson conns = ojson::array();
      for (CLine2* line : lines) {
        ojson e = ojson::object();
        e["from"] = end(line->from(), ids);
        e["to"] = end(line->to(), ids);
        conns.push_back(std::move(e));
      }
      j["connections"] = std::move(conns);
    }
    (void)is_root;
    return j;
  }

 private:
  [[noreturn]] void refuse(CDocOb* o) {
    std::string what = std::string("a ") + o->archiveClass().name;
    const std::string title = o->getTitle();
    if (!title.empty()) what += " (\"" + u(title) + "\")";
    throw DumpError("the text form does not describe " + what + "; the patch is not dumped");
  }

  ojson end(CPlug2* plug, const std::map<const CUG*, std::string>& ids) {
    CUG* m = plug ? plug->module() : nullptr;
    auto it = ids.find(m);
    if (it == ids.end()) throw DumpError("a connection ends outside its container");
    return ojson::array({u(it->second), u(plugRefText(m, plug))});
  }

  void common(ojson& j, CUG* m) {
    j["title"] = u(m->getTitle());
    j["rect"] = rectJson(m->getRect(kViewStructure));
    if (m->isDisabled()) j["disabled"] = true;
    ojson plugs = ojson::object();
    for (CPlug2* p : m->plugs()) {
      if (!kPlainPlugClasses.count(p->archiveClass().name)) {
        throw DumpError(std::string("the text form does not describe the ") + p->archiveClass().name + " plugs of \"" +
                        u(m->getTitle()) + "\"; the patch is not dumped");
      }
      const InterfaceObject* d = p->declaration();
      if (d && p->storedValue() == d->default_value) continue;
      plugs[u(plugRefText(m, p))] = u(p->storedValue());
    }
    if (!plugs.empty()) j["plugs"] = std::move(plugs);
  }

  ojson module(CUG* m) {
    if (auto* c = dynamic_cast<CContainer*>(m)) {
      if (std::string(c->archiveClass().name) != "CContainer") refuse(m);
      return container(c, false);
    }
    ojson j = ojson::object();
    j["type"] = u(m->moduleTypeId());
    common(j, m);
    if (auto* ctl = dynamic_cast<CControl*>(m)) {
      const std::string cls = ctl->archiveClass().name;
      if (!kPlainControlClasses.count(cls)) {
        // A patch parameter only fits the text form with its MIDI settings left as made.
        auto* param = dynamic_cast<ui_param_float_in*>(ctl);
        if (!param || param->controllerSetting() != -1 || param->nrpnSetting() != 0) refuse(m);
      }
      control(j, ctl);
    } else if (!kPlainModuleClasses.count(m->archiveClass().name)) {
      refuse(m);
    }
    return j;
  }

  void control(ojson& j, CControl* c) {
    const Rect panel_rect = c->getRect(kViewPanel);
    if (!panel_rect.isZero()) j["panel_rect"] = rectJson(panel_rect);
    if (c->controlId()) j["control_id"] = c->controlId();
    if (!c->hint().empty()) j["hint"] = u(c->hint());
    ojson values = ojson::array();
    switch (c->valueType()) {
      case CControl::kText:
        for (const auto& v : c->storedTexts()) values.push_back(u(v));
        break;
      case CControl::kInteger:
        for (int32_t v : c->storedInts()) values.push_back(v);
        break;
      default:
        for (double v : c->storedFloats()) values.push_back(v);
        break;
    }
    if (values.empty()) return;
    if (c->singleValue() || values.size() == 1) {
      j["value"] = values[0];
      return;
    }
    // Programs beyond the list take the first value: leave out the tail that does.
    size_t used = values.size();
    while (used > 2 && values[used - 1] == values[0]) --used;
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(used), values.end());
    j["values"] = std::move(values);
  }
};

// Objects one item per line, lists of plain values on one line.
void print(const ojson& j, std::string& out, int indent) {
  const std::string pad(static_cast<size_t>(indent) + 2, ' ');
  if (j.is_object()) {
    if (j.empty()) {
      out += "{}";
      return;
    }
    out += "{\n";
    bool first = true;
    for (auto it = j.begin(); it != j.end(); ++it) {
      if (!first) out += ",\n";
      first = false;
      out += pad + ojson(it.key()).dump() + ": ";
      print(it.value(), out, indent + 2);
    }
    out += "\n" + std::string(static_cast<size_t>(indent), ' ') + "}";
  } else if (j.is_array()) {
    bool flat = true;
    for (const auto& e : j) flat = flat && !e.is_structured();
    if (flat) {
      out += "[";
      for (size_t i = 0; i < j.size(); ++i) out += (i ? ", " : "") + j[i].dump();
      out += "]";
      return;
    }
    out += "[\n";
    for (size_t i = 0; i < j.size(); ++i) {
      out += pad;
      print(j[i], out, indent + 2);
      out += i + 1 < j.size() ? ",\n" : "\n";
    }
    out += std::string(static_cast<size_t>(indent), ' ') + "]";
  } else {
    out += j.dump();
  }
}

}  // namespace

DumpResult dumpPatchText(std::span<const uint8_t> archive, SkinListText* skins) {
  DumpResult result;
  SkinListReader reader;
  if (skins) reader = [skins](ArchiveReader& r) { skins->read(r); };
  PatchLoad load = readPatch(archive, skins ? skins->classes() : patchClasses(), reader);
  if (load.status != PatchLoad::kLoaded) {
    result.message = load.message;
    return result;
  }
  try {
    load.root->afterLoad();
    Dumper d;
    ojson top = ojson::object();
    top["header"] = d.header(load.header);
    if (!load.files.empty()) {
      ojson files = ojson::array();
      for (const auto& f : load.files) {
        ojson e = ojson::object();
        e["name"] = u(f->name());
        e["data"] = toBase64(f->data());
        files.push_back(std::move(e));
      }
      top["embedded_files"] = std::move(files);
    }
    if (load.header.skins_embedded != 0 && skins) top["skins"] = skins->dump();
    top["root"] = d.container(load.root.get(), true);
    print(top, result.json, 0);
    result.json += "\n";
    result.ok = true;
  } catch (const std::exception& e) {
    result.message = e.what();
  }
  return result;
}

}  // namespace kv::text
