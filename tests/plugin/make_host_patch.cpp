// Writes the patch the plain C host plays: a root holding the patch container "Host Test",
// unique id "KvHt", as the unscrambled archive a ".dat" file beside the plug-in holds.
// Usage: kv_make_host_patch OUT.dat
#include <cstdio>
#include <fstream>

#include "document/korvane_doc_vst.h"
#include "document/model/container.h"
#include "modules/registry/module_registry.h"
#include "document/model/module_factory.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT.dat\n", argv[0]);
    return 2;
  }
  kv::CKorvaneDocVST doc;
  doc.OnNewDocument();
  auto* synth = dynamic_cast<kv::CContainer*>(kv::CreateDocumentModule("Container"));
  if (!synth || !doc.root()) return 1;
  synth->setTitleQuiet("Host Test");
  doc.root()->adopt(synth);
  doc.header().unique_id_text = "KvHt";
  const std::vector<uint8_t> bytes = doc.SavePatch();
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return out ? 0 : 1;
}
