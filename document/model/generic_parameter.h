#pragma once
// generic_parameter: the interface of anything with a value (plugs, panel controls, container
// settings, hosted plug-in parameters). The value travels as text; the defaults below derive
// the normalised 0..1 form and the display text from the datatype and the choice list.
#include <string>

#include "document/model/datatypes.h"
#include "document/model/notifier.h"

namespace kv {

class generic_parameter : public Notifier {
 public:
  ~generic_parameter() override { notifyDestroyed(); }

  virtual bool notifyHostOnEdit() { return false; }
  virtual bool alwaysNotifyHost() { return false; }
  virtual int getControllerId() { return -1; }
  virtual int getNrpn() { return -1; }
  virtual void setControllerId(int) {}
  virtual void setNrpn(int) {}

  virtual double getNormalised();
  virtual void setNormalised(double x);
  virtual std::string getUnit() = 0;
  virtual bool hasPrograms() = 0;
  virtual bool canExpose() = 0;
  virtual bool isEditable() = 0;
  virtual std::string getValueText() = 0;
  virtual std::string textForNormalised(double x);
  virtual std::string getDisplayText();
  virtual void setValueText(const std::string& text) = 0;
  virtual std::string getName() = 0;
  virtual void setName(const std::string& text) = 0;
  virtual int getDatatype() = 0;
  virtual std::string getChoiceList() = 0;
  virtual int getChoiceMin();
  virtual int getChoiceMax();
  virtual std::string getExtraText() = 0;
  virtual std::string getFileExtension() = 0;
  virtual bool isFileName() = 0;

  void notifyValueChanged() { notify(kNotifyValueChanged, 0); }
  void notifyRefreshed() { notify(kNotifyValueChanged, 1); }
  void notifyChoicesChanged() { notify(kNotifyParameterChoicesChanged, 0); }
  void notifyContentsChanged() { notify(kNotifyParameterContentsChanged, 0); }

 protected:
  // The value that normalised position x stands for in an enumeration: min + x (max - min),
  // rounded; NaN counts as 0 and the result stays inside the list's range.
  static int enumValueAt(double x, int min, int max);
};

}  // namespace kv
