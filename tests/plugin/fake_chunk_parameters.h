// An in-memory parameter list for chunk tests: named parameters with control ids, one
// value text per program (or a single current value for parameters without programs),
// and 128 program names.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "plugin/chunk.h"

namespace kv::test {

struct FakeParameter {
  std::string name;
  int32_t id = 0;
  bool perProgram = true;
  std::array<std::string, 128> values{};  // per program; [0] is the value without programs
};

class FakeChunkParameters : public ChunkParameters {
 public:
  FakeChunkParameters() {
    params.reserve(64);  // references from add() stay valid
    for (int p = 0; p < 128; ++p) names[p] = "Patch " + std::to_string(p);
  }

  FakeParameter& add(const std::string& name, int32_t id, bool perProgram = true) {
    FakeParameter f;
    f.name = name;
    f.id = id;
    f.perProgram = perProgram;
    for (int p = 0; p < 128; ++p) f.values[p] = "0";
    params.push_back(f);
    return params.back();
  }

  int32_t parameterCount() override { return static_cast<int32_t>(params.size()); }
  int32_t controlId(int32_t i) override { return params[i].id; }
  std::string parameterName(int32_t i) override { return params[i].name; }
  std::string valueText(int32_t i, int32_t program) override {
    return params[i].values[params[i].perProgram ? program : 0];
  }
  void setValueText(int32_t i, int32_t program, const std::string& text) override {
    params[i].values[params[i].perProgram ? program : 0] = text;
    ++writes;
  }
  int32_t currentProgram() override { return current; }
  std::string programName(int32_t program) override { return names[program]; }
  void setProgramName(int32_t program, const std::string& name) override { names[program] = name; }

  std::vector<FakeParameter> params;
  std::array<std::string, 128> names;
  int32_t current = 0;
  int writes = 0;
};

}  // namespace kv::test
