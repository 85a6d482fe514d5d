#pragma once
// Extra parameters of a module that are not plugs: a module's "Title" (parameter_cug_xtra2)
// and a container's "Skin", "Program" and "Program Name" (parameter_cug_xtra). Each reads and
// writes a property of its module through the functions it is given.
#include <functional>
#include <string>

#include "document/model/generic_parameter.h"

namespace kv {

class parameter_cug_xtra : public generic_parameter {
 public:
  using Getter = std::function<std::string()>;
  using Setter = std::function<void(const std::string&)>;

  parameter_cug_xtra(std::string name, int32_t datatype, Getter get, Setter set,
                     Getter choices = nullptr);
  ~parameter_cug_xtra() override { notifyDestroyed(); }

  std::string getUnit() override { return std::string(); }
  bool hasPrograms() override { return false; }
  bool canExpose() override { return false; }
  bool isEditable() override { return static_cast<bool>(set_); }
  std::string getValueText() override { return get_ ? get_() : std::string(); }
  void setValueText(const std::string& text) override;
  std::string getName() override { return name_; }
  void setName(const std::string&) override {}
  int getDatatype() override { return datatype_; }
  std::string getChoiceList() override { return choices_ ? choices_() : std::string(); }
  std::string getExtraText() override { return std::string(); }
  std::string getFileExtension() override { return std::string(); }
  bool isFileName() override { return false; }

 private:
  std::string name_;
  int32_t datatype_;
  Getter get_;
  Setter set_;
  Getter choices_;
};

// The "Title" parameter every module has.
class parameter_cug_xtra2 : public parameter_cug_xtra {
 public:
  using parameter_cug_xtra::parameter_cug_xtra;
};

}  // namespace kv
