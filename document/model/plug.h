#pragma once
// The plugs of a module: CPlug2 and the classes made for particular declarations.
//
// A plug holds its value as text and lists the connections (CLine2) that reach it; the
// container owns the connections. connect() checks every connection rule and reports a
// refusal through the message service with the system's own text, changing nothing.
#include <cstdint>
#include <string>
#include <vector>

#include "document/model/doc_class.h"
#include "document/model/generic_parameter.h"
#include "document/model/view_types.h"
#include "document/model/datatypes.h"
#include "modules/registry/plug_declaration.h"

namespace kv {

class CUG;
class CLine2;
class generic_feature;

// Texts of refused connections.
namespace connect_text {
inline constexpr const char* kSameDirection =
    "Can't connect same direction plugs (plugs on the left = Inputs, right = Outputs";
inline constexpr const char* kDifferentTypesLong =
    "Can't connect different plug types (eg you can't connect a voltage p_to a filename)";
inline constexpr const char* kDifferentTypes = "Can't connect different plug types";
inline constexpr const char* kOnlyOneInput = "This type of plug accepts only one input";
inline constexpr const char* kListboxNotCompatible =
    "The choices in this listbox are not compatible with that plug";
inline constexpr const char* kWrongListbox = "This is the wrong type of listbox";
inline constexpr const char* kAlreadyConnected = "These two plugs are already connected";
// Our own texts for connections the rules above would let through although they break the
// document: a module setting is not a connector, and a connection joins two modules of one
// container.
inline constexpr const char* kSettingPlug = "Can't connect to a module setting (it is not a plug)";
inline constexpr const char* kDifferentContainers =
    "Can't connect modules in different containers (connect through the container's plugs)";
}  // namespace connect_text

class CPlug2 : public CObject, public generic_parameter {
  KV_ARCHIVE_CLASS(CPlug2)
 public:
  CPlug2() = default;
  CPlug2(int16_t index, std::string value) : index_(index), value_(std::move(value)) {}
  ~CPlug2() override;
  // Declaration index, value and (from version 36) the list of the plug's connections.
  void serialize(Archive& ar) override;

  // Loading: the connections a stored plug lists are kept aside until the whole load has
  // been checked (document_load.h), then attached.
  const std::vector<CLine2*>& loadedLines() const { return loaded_lines_; }
  void keepLoadedLine(CLine2* line) { loaded_lines_.push_back(line); }
  void attachLoadedLines() {
    lines_.insert(lines_.end(), loaded_lines_.begin(), loaded_lines_.end());
    loaded_lines_.clear();
  }

  // The declaration this plug was made from (null when its index names none).
  const InterfaceObject* declaration() const;

  virtual generic_feature* getLink() { return link_; }
  virtual CPlug2* getPartner() { return nullptr; }
  virtual int getDirection();
  virtual int getChoiceMaxValue() { return getChoiceMax(); }
  virtual int getChoiceMinValue() { return getChoiceMin(); }
  virtual std::string getExtension();
  virtual void afterLoad() {}
  // Passes a notice (kNotifyPeerChoicesChanged) to the plugs at the other ends of its lines.
  virtual void passNotice(CPlug2* from, int32_t code);
  virtual CPlug2* getSource() { return this; }
  virtual void addLine(CLine2* line);
  virtual void removeLine(CLine2* line);
  // The line is about to go; both of its ends are still whole.
  virtual void lineGoing(CLine2* line) {}
  virtual uint32_t getFlags();

  // generic_parameter
  std::string getName() override;
  void setName(const std::string&) override {}
  int getDatatype() override;
  std::string getChoiceList() override;
  std::string getValueText() override;
  void setValueText(const std::string& text) override;
  std::string getUnit() override;
  bool isFileName() override { return (getFlags() & kDeclFileName) != 0; }
  std::string getFileExtension() override;
  bool canExpose() override;
  bool isEditable() override;
  bool hasPrograms() override { return false; }
  std::string getExtraText() override;

  // Validates and makes a connection (this is the first plug); the new line or null.
  CLine2* connect(CPlug2* other);
  // Removes every line of the plug.
  void disconnectAll();

  const std::vector<CLine2*>& lines() const { return lines_; }
  bool isConnected() const { return !lines_.empty(); }
  bool isConnectedTo(const CPlug2* other) const;
  // An auto-duplicating plug with no connection whose IO partner (if any) has none either.
  bool isUnconnectedSpare();

  CUG* module() const { return module_; }
  void setModule(CUG* module) { module_ = module; }
  int16_t index() const { return index_; }
  void setIndex(int16_t index) { index_ = index; }
  bool locked() const { return locked_ != 0; }
  void setLocked(bool locked) { locked_ = locked ? 1 : 0; }
  Point position() const { return position_; }
  void setPosition(Point p);
  const std::string& storedValue() const { return value_; }
  void setValueQuiet(const std::string& value) { value_ = value; }
  void setLink(generic_feature* link) { link_ = link; }

 protected:
  // The lines list without side effects (readers, line teardown).
  void dropLine(CLine2* line);
  // First steps of destruction: kNotifyDestroyed, out of the module's list, every line removed. The
  // most-derived destructor that reacts to lines going calls it, so that it still reacts.
  void beginDestruction();
  std::vector<CLine2*> lines_;
  // Set while a plug that is already named by its pairing takes its first line: it keeps
  // its name instead of taking the name of the plug at the other end.
  bool keep_name_ = false;
  friend class CLine2;
  friend class CContainer;

 private:
  uint8_t locked_ = 0;
  Point position_;
  int16_t index_ = -1;
  CUG* module_ = nullptr;
  generic_feature* link_ = nullptr;
  std::string value_;
  bool disconnecting_ = false;
  bool removing_ = false;
  std::vector<CLine2*> loaded_lines_;
  friend class CUG;
};

// A plug whose name is its own (it takes the name of its first partner).
class CPlugNameable : public CPlug2 {
  KV_ARCHIVE_CLASS(CPlugNameable)
 public:
  CPlugNameable() = default;
  CPlugNameable(int16_t index, std::string value, std::string name)
      : CPlug2(index, std::move(value)), name_(std::move(name)) {}
  ~CPlugNameable() override { notifyDestroyed(); }
  void serialize(Archive& ar) override;
  std::string getName() override { return name_; }
  void setName(const std::string& text) override;
  void setNameQuiet(const std::string& text) { name_ = text; }

 private:
  std::string name_;
};

// One end of a pair of plugs across a container boundary: a plug of a container's outside
// and its partner on the container's IO module inside (or the spare through which new pairs
// are made).
class CPlugIO2 : public CPlugNameable {
  KV_ARCHIVE_CLASS(CPlugIO2)
 public:
  enum Role : int16_t { kRoleInput = 0, kRoleOutput = 1, kRoleSpare = 2 };
  CPlugIO2() = default;
  CPlugIO2(int16_t index, std::string value) : CPlugNameable(index, std::move(value), std::string()) {}
  ~CPlugIO2() override;
  // The CPlugNameable record, role, partner slot and (from version 94962) datatype.
  void serialize(Archive& ar) override;

  CPlug2* getPartner() override { return partner_; }
  CPlugIO2* partner() const { return partner_; }
  // IO plugs answer the role they play: DR_IN, DR_OUT or DR_CONTAINER_IO for the spare.
  int getDirection() override { return role_; }
  int getDatatype() override { return datatype_ < 0 ? int(dt_volts) : int(datatype_); }
  void addLine(CLine2* line) override;
  CPlug2* getSource() override;
  // A pair passes the choice list across the boundary: an IO plug that plays input answers
  // the list its partner (an output) answers, which is the list of the plug it feeds.
  std::string getChoiceList() override;
  void setName(const std::string& text) override;

  int16_t role() const { return role_; }
  int16_t storedDatatype() const { return datatype_; }
  // Reader access and pairing.
  void setRole(int16_t role) { role_ = role; }
  void setStoredDatatype(int16_t datatype) { datatype_ = datatype; }
  void pairWith(CPlugIO2* partner);
  void unpair();
  // Loading: the stored partner, kept aside until the load has been checked (the pair is
  // mutual by then), then attached.
  CPlugIO2* loadedPartner() const { return loaded_partner_; }
  void attachLoadedPartner() {
    if (loaded_partner_) partner_ = loaded_partner_;
    loaded_partner_ = nullptr;
  }

 private:
  CPlugIO2* partner_ = nullptr;
  CPlugIO2* loaded_partner_ = nullptr;
  int16_t role_ = kRoleSpare;
  int16_t datatype_ = dt_volts;
  bool naming_ = false;
};

// The module's IO plug that is still free to pair (the "Spare"), or null.
CPlugIO2* findSparePlug(CUG* module);

// The dynamic plugs of panel-control modules: direction, datatype and extension are the
// plug's own.
class CPlugControled : public CPlugNameable {
  KV_ARCHIVE_CLASS(CPlugControled)
 public:
  CPlugControled() = default;
  CPlugControled(int16_t index, std::string value, std::string name, int32_t direction,
                 int32_t datatype, std::string extension)
      : CPlugNameable(index, std::move(value), std::move(name)),
        direction_(direction), datatype_(datatype), extension_(std::move(extension)) {}
  // The CPlugNameable record, direction, datatype and extension.
  void serialize(Archive& ar) override;
  int getDirection() override { return direction_; }
  int getDatatype() override { return datatype_; }
  std::string getExtension() override { return extension_; }
  std::string getChoiceList() override { return extension_; }
  uint32_t getFlags() override;
  void setNormalised(double x) override;
  double getNormalised() override;

 private:
  int32_t direction_ = DR_IN;
  int32_t datatype_ = dt_volts;
  std::string extension_;
};

}  // namespace kv
