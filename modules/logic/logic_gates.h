#pragma once
// Logic gates. Inputs are read through the two-threshold trigger of logic_levels.h; the
// output is 5 V for true and 0 V for false, and each change of it is a one-off at the
// sample where it happens, so modules downstream see a constant between changes.
//
// ug_logic_gate ("AND Gate", "OR Gate", "XOR Gate", "NAND Gate", "NOR Gate"): one output,
// then any number of inputs (a spare input is always offered; the engine has a plug per
// connected one). While some input streams, every sample updates each input's logic state
// and, when one changed, the gate function decides the output. While no input streams,
// the samples after each input change are still read for a full block (a static input's
// new value arrives at its change), then the gate sleeps. A gate with no connected input
// outputs 0 V.
//
// ug_logic_not ("NOT Gate"): 5 V while its input's logic state is low, 0 V while high;
// starts low, so the output starts at 5 V.
#include <cstdint>
#include <vector>

#include "engine/ug_base.h"
#include "modules/logic/generic_1_1.h"
#include "modules/logic/logic_levels.h"

namespace kv {

class ug_logic_gate : public ug_base {
 public:
  enum PlugIndex { kOutput, kFirstInput };

  void ListInterface(std::vector<InterfaceObject>& list) override;
  void SetupPlugs() override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;

  float* out = nullptr;

 protected:
  // The gate function: whether the output is high when `high` of `inputs` inputs are
  // high (inputs >= 1).
  virtual bool Gate(int high, int inputs) const = 0;

 private:
  void sub_process(int offset, int count);
  // Evaluates the gate after a logic state changed; a new output value is sent at `time`.
  void Decide(sample_clock time);

  std::vector<const float*> inputs_;
  std::vector<uint8_t> logic_;        // logic state per input
  std::vector<state_type> streams_;   // stream state per input
  state_type largest_ = ST_STOP;      // the largest of streams_
  int high_count_ = 0;
  float value_ = 0.0f;
};

class ug_logic_AND : public ug_logic_gate {
 public:
  ug_base* CreateObject() override { return new ug_logic_AND; }

 protected:
  bool Gate(int high, int inputs) const override { return high == inputs; }
};

class ug_logic_OR : public ug_logic_gate {
 public:
  ug_base* CreateObject() override { return new ug_logic_OR; }

 protected:
  bool Gate(int high, int) const override { return high > 0; }
};

class ug_logic_XOR : public ug_logic_gate {
 public:
  ug_base* CreateObject() override { return new ug_logic_XOR; }

 protected:
  bool Gate(int high, int) const override { return high == 1; }
};

class ug_logic_NAND : public ug_logic_gate {
 public:
  ug_base* CreateObject() override { return new ug_logic_NAND; }

 protected:
  bool Gate(int high, int inputs) const override { return high < inputs; }
};

class ug_logic_NOR : public ug_logic_gate {
 public:
  ug_base* CreateObject() override { return new ug_logic_NOR; }

 protected:
  bool Gate(int high, int) const override { return high == 0; }
};

// A streaming input is scanned sample by sample and each crossing sends the new output at
// its sample; a static input is read once at its change, then the output is held for a
// block and the gate sleeps. The output's stream state is only ever a one-off.
class ug_logic_not : public ug_generic_1_1 {
 public:
  ug_base* CreateObject() override { return new ug_logic_not; }
  void Open() override;

 protected:
  void Render(const float* input, float* output, int count) override;
  void OnInputState(sample_clock time, state_type state) override;

 private:
  bool high_ = false;
  float value_ = kLogicOutHigh;
};

}  // namespace kv
