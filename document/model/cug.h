#pragma once
// CUG: a module of the patch. It owns its plugs (made from its module type's plug
// declarations) and its extra parameters ("Title" first), and it keeps the rules that plugs
// take from their declaration flags: auto-duplicating spares, "{AUTO}" choice lists, IO pairs
// across a container boundary, and the numbering of its unit-generator plugs.
#include <cstdint>
#include <string>
#include <vector>

#include "document/model/doc_ob.h"
#include "engine/document_module.h"
#include "document/model/datatypes.h"
#include "modules/registry/plug_declaration.h"

namespace kv {

class CPlug2;
class CLine2;
class ug_base;

class CUG : public CDocOb, public DocumentModule {
  KV_ARCHIVE_CLASS(CUG)
 public:
  // For readers: a module without type and plugs (the reader fills both); it has "Title".
  CUG();
  // A module of the given type with one plug per declaration, in declaration order.
  explicit CUG(Module_Info* type);
  ~CUG() override;
  // The CDocOb record (from version 37), the plugs, title, disabled flag and rectangle.
  void serialize(Archive& ar) override;

  // Plugs.
  const std::vector<CPlug2*>& plugs() const { return plugs_; }
  int plugCount() const { return static_cast<int>(plugs_.size()); }
  CPlug2* plug(int i) const { return i >= 0 && i < plugCount() ? plugs_[i] : nullptr; }
  // Makes the plug class the declaration asks for, inserts it and tells the parent (kNotifyChildChanged).
  CPlug2* createPlug(int index, const InterfaceObject& declaration);
  CPlug2* createPlug(int index);  // from this module's type
  // Adopts the plug (sets its module) and places it by declaration index.
  void insertPlug(CPlug2* plug);
  void reorderPlugs();
  CPlug2* findPlug(const std::string& name) const;
  // DocumentModule: the values of the choices of the plug at the other end of the named
  // plug's first line.
  bool ConnectedChoiceValues(const std::string& plug, int limit,
                             std::vector<int>& values) const override;
  CPlug2* findPlug(int direction, int datatype, int n) const;
  // The plug's number among the unit generator's plugs, or -1 for a plug that has none.
  int runtimePlugIndex(const CPlug2* plug) const;

  virtual void removePlug(CPlug2* plug);
  virtual void onPlugChanged(CPlug2* plug);
  virtual void pushPlugValue(CPlug2* plug);
  virtual void relayNotice(CPlug2* from, CPlug2* plug, int32_t code) {}
  virtual void onLineAdded(CLine2* line) {}
  virtual void onLineRemoved(CPlug2* plug);
  // The choice list of a plug: "{AUTO}" becomes the names of the connected duplicating plugs.
  virtual std::string getChoiceListFor(CPlug2* plug, const std::string& list);
  // Unit generator (built by the engine's graph builder).
  virtual ug_base* createRuntime();
  virtual void clearRuntime() { unit_generator_ = nullptr; }
  ug_base* unitGenerator() const { return unit_generator_; }
  virtual bool isDisabled() { return disabled_ != 0; }
  // How a container tells its children that it switched to program n; most modules ignore it.
  virtual void onProgramCommand(int program) {}
  // A debugging text: the unit generator's sort order ("?" before sorting) and the title.
  virtual std::string describeRuntime();
  // Feature plugs follow the module's features: existing ones take the features' names and
  // extras, and one CPlugFeature2 is appended per feature beyond the highest index.
  void syncFeaturePlugs();
  void setDisabled(bool disabled);
  // Refreshes every "{AUTO}" list of the module (kNotifyPeerChoicesChanged along lines).
  void refreshAutoLists();
  // Sends kNotifyChildChanged to the parent container.
  void tellParentContentChanged();

  // CDocOb
  void afterLoad() override;
  void onCommand(int32_t id) override;
  void remove() override;
  Rect getRect(int32_t kind) override;
  void setRect(int32_t kind, const Rect& rect) override;
  std::string getTitle() override { return title_; }
  void setTitle(const std::string& title) override;
  GenericIterator<generic_parameter>* createParameterIterator() override;

  // Extra parameters (owned), "Title" first.
  const std::vector<generic_parameter*>& extraParameters() const { return extra_parameters_; }
  void addExtraParameter(generic_parameter* parameter) { extra_parameters_.push_back(parameter); }
  generic_parameter* findParameter(const std::string& name);

  // Reader access.
  void setTitleQuiet(const std::string& title) { title_ = title; }
  void setDisabledQuiet(bool disabled) { disabled_ = disabled ? 1 : 0; }
  void setRectQuiet(const Rect& rect) { rect_ = rect; }

  uint32_t counter = 0;  // owned by graph building

 protected:
  // True while the module is being destroyed: plug removal no longer cascades into it.
  bool tearingDown() const { return tearing_down_; }
  void beginTeardown() { tearing_down_ = true; }
  // Removes every plug (destructors of derived classes call this while they are still whole).
  void removeAllPlugs();

 private:
  friend class CPlug2;
  void addTitleParameter();

  std::vector<generic_parameter*> extra_parameters_;
  ug_base* unit_generator_ = nullptr;
  std::vector<CPlug2*> plugs_;
  std::string title_;
  uint8_t disabled_ = 0;
  Rect rect_{0, 0, 20, 20};
  bool tearing_down_ = false;
};

// CSwitch: a module kind of its own only for the archive (the switch modules).
class CSwitch : public CUG {
  KV_ARCHIVE_CLASS(CSwitch)
 public:
  CSwitch() = default;
  explicit CSwitch(Module_Info* type) : CUG(type) {}
};

}  // namespace kv
