#pragma once
// Document: what the document objects need from the document that holds them. The plug-in's
// document derives from it; tests use it as it is.
#include <memory>
#include <string>

#include "doc/model/random_source.h"

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

  RandomSource& random() { return random_; }

 private:
  CContainer* root_ = nullptr;
  bool modified_ = false;
  RandomSource random_;
};

}  // namespace kv
