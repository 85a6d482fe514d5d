#pragma once
// Small document classes that live beside modules in a container: CControlPlugs,
// CFeedbackDelay, CLED and CPortal.
#include <array>
#include <cstdint>
#include <string>

#include "document/model/cug.h"

namespace kv {

class generic_parameter;

// Its plugs are supplied by the document; it makes no unit generator.
class CControlPlugs : public CUG {
  KV_ARCHIVE_CLASS(CControlPlugs)
 public:
  CControlPlugs() = default;
  explicit CControlPlugs(Module_Info* type) : CUG(type) {}
  ug_base* createRuntime() override {
    clearRuntime();
    counter = 0;
    return nullptr;
  }
  int32_t value = 0;
};

// A delay split into two unit generators (input side and output side) so that a feedback
// loop through it does not make a cycle in the processing order. The second unit generator
// is made with the engine's graph building.
class CFeedbackDelay : public CUG {
  KV_ARCHIVE_CLASS(CFeedbackDelay)
 public:
  CFeedbackDelay() = default;
  explicit CFeedbackDelay(Module_Info* type) : CUG(type) {}
  ug_base* outputSide() const { return output_side_; }
  void setOutputSide(ug_base* ug) { output_side_ = ug; }
  void clearRuntime() override {
    CUG::clearRuntime();
    output_side_ = nullptr;
  }

 private:
  ug_base* output_side_ = nullptr;
};

// Four values after the module record, read for the LED panel element.
class CLED : public CUG {
  KV_ARCHIVE_CLASS(CLED)
 public:
  CLED() = default;
  explicit CLED(Module_Info* type) : CUG(type) {}
  void serialize(Archive& ar) override;  // the CUG record, then the four values
  std::array<int32_t, 4> values{};
};

// Shows, on the panel, the panel of a sibling container or hosted plug-in module.
class CPortal : public CDocOb {
  KV_ARCHIVE_CLASS(CPortal)
 public:
  CPortal();
  explicit CPortal(Module_Info* type);
  ~CPortal() override;
  // The CDocOb record (every version), target name, panel rectangle and scroll-bar mode.
  void serialize(Archive& ar) override;

  const std::string& targetName() const { return target_; }
  void setTargetNameQuiet(const std::string& name) { target_ = name; }
  int32_t scrollBarMode() const { return scroll_bars_; }
  void setScrollBarModeQuiet(int32_t mode) { scroll_bars_ = mode; }

  // "<none>" then the titles of the sibling containers and "VST Plugin" modules.
  std::string subPanelChoices();
  generic_parameter* subPanelParameter() const { return sub_panel_; }
  generic_parameter* scrollBarsParameter() const { return scroll_bar_param_; }

  GenericIterator<generic_parameter>* createParameterIterator() override;
  Rect getRect(int32_t kind) override { return kind == kViewPanel ? rect_ : Rect{}; }
  void setRect(int32_t kind, const Rect& rect) override;

 private:
  void makeParameters();
  void changed();

  std::string target_;
  Rect rect_{0, 0, 200, 150};
  int32_t scroll_bars_ = 0;
  generic_parameter* sub_panel_ = nullptr;
  generic_parameter* scroll_bar_param_ = nullptr;
};

}  // namespace kv
