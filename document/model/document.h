#pragma once
// Document: what the document objects need from the document that holds them. The plug-in's
// document derives from it; tests use it as it is.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/model/random_source.h"
#include "document/model/view_types.h"

namespace kv {

class CContainer;
class CDocOb;

class Document {
 public:
  Document();
  virtual ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // The root container (owned). setRoot deletes the previous root.
  CContainer* root() const { return root_; }
  void setRoot(CContainer* root);
  CContainer* releaseRoot();

  virtual void setModified(bool modified = true) { modified_ = modified; }
  bool isModified() const { return modified_; }

  // Structural edits stop a running engine and start it again afterwards. stopEngine answers
  // false when the engine could not be stopped; the edit is then abandoned.
  virtual bool isEngineRunning() const { return false; }
  virtual bool stopEngine() { return true; }
  virtual void startEngine() {}

  // An object of this document is going (its destructor runs).
  virtual void onObjectGoing(CDocOb*) {}
  // A "Patch Select" module joined or left a container.
  virtual void onPatchSelectChanged(CContainer*) {}
  virtual void onSpareLockChanged(CContainer*) {}
  virtual void showStatus(const std::string&) {}

  // The patch's identifier, packed from its id text (hosts tell plug-ins apart by it).
  virtual int32_t GetUniqueId() { return 0; }
  // The host chunk of a container's programs (all of them, or the current one) and its
  // reading; the plug-in supplies the format. An empty chunk means "no data"; setContainerChunk
  // answers whether the chunk was applied.
  virtual std::vector<uint8_t> containerChunk(CContainer*, bool programOnly) { return {}; }
  virtual bool setContainerChunk(CContainer*, const uint8_t*, std::size_t, bool programOnly) {
    return false;
  }
  // A file name for the file commands (a file dialog with the panel open); empty when the
  // user cancelled or no dialog can be shown.
  virtual std::string chooseFileName(bool forSaving, const std::string& extension) { return {}; }
  // Completes a file name with the extension (when its file-name part has none) and the
  // default folder of that file type.
  virtual std::string resolveFileName(const std::string& name, const std::string& extension);

  // Merges the modules of a patch file into `into` with their average position at `at`
  // (a position of -1, -1 keeps the file's own places). The plug-in document reads the file;
  // a document without a patch reader merges nothing. Answers the objects added.
  virtual std::vector<CDocOb*> insertPatch(CContainer* into, const std::string& path, Point at) {
    return {};
  }

  RandomSource& random() { return random_; }

 private:
  CContainer* root_ = nullptr;
  bool modified_ = false;
  RandomSource random_;
};

}  // namespace kv
