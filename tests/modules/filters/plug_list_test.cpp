// The plug lists the filters declare, in plug order, and their registry descriptors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modules/filters/allpass_filter.h"
#include "modules/filters/moog_filter.h"
#include "modules/filters/one_pole_filter.h"
#include "modules/filters/parametric_eq.h"
#include "modules/filters/state_variable_filter.h"
#include "tests/support/plug_declarations.h"

namespace kv {
namespace {

using Decl = PlugDeclaration;

const char* kScale = "1 Volt/Octave, 1 Volt/kHz ";

TEST(FilterPlugs, DeclaredInPlugOrder) {
  EXPECT_EQ(Declared(ug_filter_sv{}), (std::vector<Decl>{
                                          {"Signal", DR_IN, dt_volts, "0", "", 512},
                                          {"Pitch", DR_IN, dt_volts, "5", "", 1},
                                          {"Resonance", DR_IN, dt_volts, "5", "", 1},
                                          {"Low Pass", DR_OUT, dt_volts, "0", "", 0},
                                          {"Hi Pass", DR_OUT, dt_volts, "0", "", 0},
                                          {"Band Pass", DR_OUT, dt_volts, "0", "", 0},
                                          {"Band Reject", DR_OUT, dt_volts, "0", "", 0},
                                          {"Freq Scale", DR_PARAMETER, dt_enum, "0", kScale, 0},
                                      }));
  for (bool biquad : {true, false}) {
    const std::vector<Decl> want{
        {"Signal", DR_IN, dt_volts, "0", "", 512},
        {"Pitch", DR_IN, dt_volts, "5", "", 1},
        {"Resonance", DR_IN, dt_volts, "5", "", 1},
        {"Output", DR_OUT, dt_volts, "0", "", 0},
        {"Mode", DR_IN, dt_enum, "0", "4 Pole LP", biquad ? 256u : 0u},
        {"Boost/Cut", DR_IN, dt_volts, "0", "10,-10,10,-10", biquad ? 257u : 1u},
        {"Freq Scale", DR_PARAMETER, dt_enum, "0", kScale, 0},
    };
    EXPECT_EQ(biquad ? Declared(ug_filter_biquad{}) : Declared(ug_filter_eq_parametric{}), want);
  }
  const std::vector<Decl> one_pole{
      {"Signal", DR_IN, dt_volts, "0", "", 512},
      {"Pitch", DR_IN, dt_volts, "5", "", 1},
      {"Output", DR_OUT, dt_volts, "0", "", 0},
      {"Freq Scale", DR_PARAMETER, dt_enum, "0", kScale, 1},
  };
  EXPECT_EQ(Declared(ug_filter_1pole{}), one_pole);
  EXPECT_EQ(Declared(ug_filter_1pole_hp{}), one_pole);
  EXPECT_EQ(Declared(ug_filter_allpass{}), (std::vector<Decl>{
                                               {"Signal", DR_IN, dt_volts, "0", "", 512},
                                               {"Pitch", DR_IN, dt_volts, "5", "", 1},
                                               {"Resonance", DR_IN, dt_volts, "5", "", 1},
                                               {"Output", DR_OUT, dt_volts, "0", "", 0},
                                               {"Freq Scale", DR_PARAMETER, dt_enum, "0", kScale, 0},
                                           }));
}

TEST(FilterPlugs, RegistryDescriptors) {
  struct Want {
    ModuleDescriptor got;
    const char* id;
    int32_t number;
    uint32_t flags;
  } cases[] = {
      {ug_filter_sv::Descriptor(), "SV Filter", 12, 0x100},
      {ug_filter_biquad::Descriptor(), "Moog Filter", 48, 0x100},
      {ug_filter_biquad::kRetired[0], "Filter2 obsolete", 21, 0x100},
      {ug_filter_biquad::kRetired[1], "Filter obs", 25, 0x108},
      {ug_filter_1pole::Descriptor(), "1 Pole LP", 58, 0x100},
      {ug_filter_1pole_hp::Descriptor(), "1 Pole HP", 101, 0x100},
      {ug_filter_allpass::Descriptor(), "All Pass", 67, 0x100},
      {ug_filter_eq_parametric::Descriptor(), "Parametric EQ", 109, 0x100},
  };
  for (const Want& w : cases) {
    EXPECT_EQ(w.got.id, w.id);
    EXPECT_EQ(w.got.legacy_number, w.number) << w.id;
    EXPECT_EQ(w.got.flags, w.flags) << w.id;
  }
}

}  // namespace
}  // namespace kv
