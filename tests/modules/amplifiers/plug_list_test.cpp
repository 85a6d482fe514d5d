// The plug lists the amplifiers, panners, mixers and summing modules declare, in plug
// order, and their registry descriptors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modules/amplifiers/voice_combiner.h"
#include "modules/amplifiers/multiplier.h"
#include "modules/amplifiers/pan.h"
#include "modules/amplifiers/vca.h"
#include "tests/support/plug_declarations.h"

namespace kv {
namespace {

using Decl = PlugDeclaration;

const char* kLaws = "Equal Intensity (0dB), Equal Power(+3dB), Sqr Root";

TEST(AmplifierPlugs, DeclaredInPlugOrder) {
  EXPECT_EQ(Declared(ug_vca{}),
            (std::vector<Decl>{
                {"Signal", DR_IN, dt_volts, "0", "", 512},
                {"Volume", DR_IN, dt_volts, "8", "", 1},
                {"Output", DR_OUT, dt_volts, "0", "", 0},
                {"Response Curve", DR_PARAMETER, dt_enum, "1", "Decibel,Exponential,Linear", 0},
            }));
  EXPECT_EQ(Declared(ug_pan{}), (std::vector<Decl>{
                                    {"Input", DR_IN, dt_volts, "0", "", 512},
                                    {"Pan", DR_IN, dt_volts, "0", "5,-5,5,-5", 1},
                                    {"Left Out", DR_OUT, dt_volts, "5", "", 0},
                                    {"Right Out", DR_OUT, dt_volts, "5", "", 0},
                                    {"Volume", DR_IN, dt_volts, "8", "", 1},
                                    {"Fade Law", DR_PARAMETER, dt_enum, "1", kLaws, 0},
                                }));
  EXPECT_EQ(Declared(ug_cross_fade{}), (std::vector<Decl>{
                                           {"Input A", DR_IN, dt_volts, "0", "", 512},
                                           {"Input B", DR_IN, dt_volts, "0", "", 512},
                                           {"Mix", DR_IN, dt_volts, "0", "5,-5,5,-5", 1},
                                           {"Signal Out", DR_OUT, dt_volts, "5", "", 0},
                                           {"Fade Law", DR_PARAMETER, dt_enum, "1", kLaws, 0},
                                       }));
  EXPECT_EQ(Declared(ug_multiplier{}), (std::vector<Decl>{
                                           {"Input 1", DR_IN, dt_volts, "8", "", 512},
                                           {"Input 2", DR_IN, dt_volts, "8", "", 512},
                                           {"Output", DR_OUT, dt_volts, "0", "", 0},
                                       }));
  const std::vector<Decl> sum{{"Out", DR_OUT, dt_volts, "0", "", 0},
                              {"In", DR_IN, dt_volts, "0", "", 640}};
  EXPECT_EQ(Declared(ug_adder{}), sum);
  EXPECT_EQ(Declared(ug_voice_combiner{}), sum);
}

TEST(AmplifierPlugs, RegistryDescriptors) {
  struct Want {
    ModuleDescriptor got;
    const char* id;
    int32_t number;
    uint32_t flags;
  } cases[] = {
      {ug_vca::Descriptor(), "VCA", 13, 0x100},
      {ug_pan::Descriptor(), "Pan", 37, 0x100},
      {ug_cross_fade::Descriptor(), "X-Mix", 36, 0x100},
      {ug_multiplier::kDescriptors[0], "Level Adj", 11, 0x100},
      {ug_multiplier::kDescriptors[1], "Ring Modulator", 61, 0x100},
      {kFloatAdderDescriptor, "Float Adder", 71, 0x008},
      {ug_voice_combiner::Descriptor(), "Voice Combiner", 118, 0x100},
  };
  for (const Want& w : cases) {
    EXPECT_EQ(w.got.id, w.id);
    EXPECT_EQ(w.got.legacy_number, w.number) << w.id;
    EXPECT_EQ(w.got.flags, w.flags) << w.id;
  }
}

}  // namespace
}  // namespace kv
