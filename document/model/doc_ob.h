#pragma once
// CDocOb: the base of every document object (modules, connections, containers, panel
// objects). It is a subject (Notifier2), has parameters and features, knows its module type
// and its parent container.
#include <cstdint>
#include <string>

#include "document/model/doc_class.h"
#include "document/model/features.h"
#include "document/model/generic_parameter.h"
#include "document/model/iterators.h"
#include "document/model/notifier.h"
#include "document/model/view_types.h"

namespace kv {

class CContainer;
class Document;
class Module_Info;

class HasParameters {
 public:
  virtual ~HasParameters() = default;
  // A new iterator over the object's parameters; the caller deletes it.
  virtual GenericIterator<generic_parameter>* createParameterIterator() = 0;
};

class has_features {
 public:
  virtual ~has_features() = default;
  // True while index names a feature; features are numbered from 0 without gaps.
  virtual bool getFeature(int32_t index, feature_info& out) { return false; }
};

enum DocCommand : int32_t {
  kCmdDescribe = 34916,
  kCmdToggleDisabled = 34918,
  kCmdRestartUnitGenerator = 34920,
  kCmdHelp = 34921,
  kCmdShowTitle = 34926,
  kCmdFirstProgram = 34927,
  kCmdLastProgram = 35126,
};

class CDocOb : public CObject, public Notifier2, public HasParameters, public has_features {
  KV_ARCHIVE_CLASS(CDocOb)
 public:
  explicit CDocOb(Module_Info* type = nullptr) : module_type_(type) {}
  ~CDocOb() override;
  // The module type (a number in files before version 79, a text after).
  void serialize(Archive& ar) override;

  Module_Info* moduleType() const { return module_type_; }
  // Set by a reader once the stored type is known.
  void setModuleType(Module_Info* type) { module_type_ = type; }
  const std::string& moduleTypeId() const;

  virtual void propagate(intptr_t value) {}
  virtual Document* getDocument();
  virtual void afterLoad() {}
  // The module type's name, then " '" + title + "'" when the title differs from it.
  virtual std::string describe();
  virtual void onCommand(int32_t id);
  virtual Rect getBounds(int32_t kind) { return Rect{}; }
  virtual void setBounds(int32_t kind, const Rect& bounds) {}
  virtual void addViewFlags(int32_t flags) {}
  virtual void clearViewFlags(int32_t mask) {}
  // Sends kNotifyRemoving, has the parent drop the object, marks the document modified and deletes
  // the object. Nothing may touch the object afterwards.
  virtual void remove();
  virtual void showStatus() {}
  virtual void setParent(CContainer* parent) { parent_ = parent; }
  CContainer* getParent() const { return parent_; }
  virtual Rect getRect(int32_t kind) { return Rect{}; }
  virtual void setRect(int32_t kind, const Rect& rect) {}
  virtual std::string getTitle() { return std::string(); }
  virtual void setTitle(const std::string& title) {}
  virtual bool isLocked() { return false; }
  virtual void deselectOthers(bool flag, CDocOb* except) {}
  virtual void setSelected(bool flag, bool tellParent);
  virtual uint32_t getModuleFlags();
  virtual Point getSize(int32_t kind) { return Point{}; }
  virtual bool isSelected();
  bool ownSelectedFlag() const { return selected_; }

  GenericIterator<generic_parameter>* createParameterIterator() override;

  // Marks the document (if any) modified.
  void markModified();

 protected:
  // Tells the document that the object goes and sends kNotifyDestroyed; called first by the
  // most-derived destructor (and again, harmlessly, by the bases).
  void announceDestruction();

 private:
  Module_Info* module_type_ = nullptr;
  bool selected_ = false;
  bool announced_ = false;
  CContainer* parent_ = nullptr;
};

}  // namespace kv
