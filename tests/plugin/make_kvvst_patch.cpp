// Writes the patch the plug-in object tests play through the built library: a patch container
// "KvVst Test" (unique id "KvVt") with two sliders, "Volume" and "Cutoff", whose outputs leave
// the patch as its two audio outputs, as the unscrambled archive a ".dat" file holds.
// Usage: kv_make_kvvst_patch OUT.dat
#include <cstdio>
#include <fstream>

#include "document/korvane_doc_vst.h"
#include "document/model/container.h"
#include "document/model/control.h"
#include "document/model/plug.h"
#include "modules/registry/module_registry.h"
#include "document/model/module_factory.h"

int main(int argc, char** argv) {
  using namespace kv;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT.dat\n", argv[0]);
    return 2;
  }
  CKorvaneDocVST doc;
  doc.OnNewDocument();
  ModuleRegistry& registry = GetModuleRegistry();
  auto* patch = dynamic_cast<CContainer*>(CreateDocumentModule("Container"));
  if (!patch || !doc.root()) return 1;
  patch->setTitleQuiet("KvVst Test");
  doc.root()->adopt(patch);
  CUG* io = patch->findIOModule();
  int id = 1000;
  for (const char* name : {"Volume", "Cutoff"}) {
    auto* slider = dynamic_cast<CControl*>(CreateDocumentModule("Slider"));
    if (!slider || !io) return 1;
    patch->adopt(slider);
    slider->setTitle(name);
    slider->setControlId(id++);
    CPlug2* spare = nullptr;
    for (CPlug2* p : io->plugs())
      if (p->lines().empty()) spare = p;
    if (!spare || !slider->findPlug("Signal Out")->connect(spare)) return 1;
  }
  doc.header().unique_id_text = "KvVt";
  const std::vector<uint8_t> bytes = doc.SavePatch();
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return out ? 0 : 1;
}
