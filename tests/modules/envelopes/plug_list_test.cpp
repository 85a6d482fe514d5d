// The plug lists the envelopes declare, in plug order, and their registry entries.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "modules/envelopes/adsr.h"
#include "modules/envelopes/eight_stage_envelope.h"
#include "modules/envelopes/multistage_envelope.h"
#include "modules/registry/builtin_modules.h"
#include "tests/support/plug_declarations.h"

namespace kv {
namespace {

using Decl = PlugDeclaration;

const char* kGateHelp = "Triggers the Attack phase when greater then 0 V ";
const char* kOverallHelp =
    "Controls the overall output level.  Handy for adding Velocity sensitivity";

TEST(EnvelopePlugs, AdsrAndMultistage) {
  EXPECT_EQ(DeclaredWithHelp(ug_adsr{}),
            (std::vector<Decl>{
                {"Gate", DR_IN, dt_volts, "1", "", 1, kGateHelp},
                {"Attack", DR_IN, dt_volts, "0", "", 1,
                 "Controls the rate of the attack, 0 V is quickest, 10 V slowest"},
                {"Decay", DR_IN, dt_volts, "5", "", 1, "The Decay rate"},
                {"Sustain", DR_IN, dt_volts, "7", "", 1,
                 "The 'hold' level, while the gate is high (key is down)"},
                {"Release", DR_IN, dt_volts, "4", "", 1, "The Release rate"},
                {"Overall Level", DR_IN, dt_volts, "10", "", 1, kOverallHelp},
                {"Signal Out", DR_OUT, dt_volts, "0", "", 0, ""},
            }));
  EXPECT_EQ(DeclaredWithHelp(ug_envelope_ms{}),
            (std::vector<Decl>{
                {"Gate", DR_IN, dt_volts, "1", "", 1, kGateHelp},
                {"Overall Level", DR_IN, dt_volts, "10", "", 1, kOverallHelp},
                {"Signal Out", DR_OUT, dt_volts, "0", "", 0, ""},
                {"Ignore Program Change", DR_PARAMETER, dt_bool, "0", "", 0,
                 "Prevents this control responding to patch changes from 'Patch Select' module"},
            }));
}

TEST(EnvelopePlugs, EightStage) {
  const auto d = DeclaredWithHelp(ug_8_stage{});
  ASSERT_EQ(d.size(), 21u);
  EXPECT_EQ(d[0], (Decl{"Gate", DR_IN, dt_volts, "1", "", 1, kGateHelp}));
  const char* defaults[8][2] = {{"2", "10"}, {"5", "6"}, {"6", "8"}, {"3", "2"},
                                {"6", "0"},  {"6", "0"}, {"6", "0"}, {"6", "0"}};
  for (int i = 0; i < 8; ++i) {
    const std::string n = std::to_string(i);
    EXPECT_EQ(d[2 * i + 1], (Decl{"Rate " + n, DR_IN, dt_volts, defaults[i][0], "", 1,
                                  "Segment rate ( 0 - fastest, 10 - slowest )"}));
    EXPECT_EQ(d[2 * i + 2],
              (Decl{"Level " + n, DR_IN, dt_volts, defaults[i][1], "", 1, "End level    (0 - 10V)"}));
  }
  EXPECT_EQ(d[17], (Decl{"Overall Level", DR_IN, dt_volts, "10", "", 1, kOverallHelp}));
  EXPECT_EQ(d[18], (Decl{"Signal Out", DR_OUT, dt_volts, "0", "", 0, ""}));
  EXPECT_EQ(d[19], (Decl{"Sus Seg", DR_IN, dt_enum, "2", "None=10,0=0,1,2,3,4,5,6,7", 0,
                         "Which segment to 'hold' at until key is released"}));
  EXPECT_EQ(d[20], (Decl{"End Seg", DR_IN, dt_enum, "4", "range 0,7", 0,
                         "Which segment to stop at, subsequent segments are ignored."}));
}

TEST(EnvelopePlugs, RegisteredUnderTheirIdsAndNumbers) {
  struct Want {
    ModuleDescriptor got;
    const char* ug_class;
  } cases[] = {{ug_adsr::Descriptor(), "ug_adsr"},
               {ug_8_stage::Descriptor(), "ug_8_stage"},
               {ug_envelope_ms::Descriptor(), "ug_envelope_ms"}};
  for (const Want& w : cases) {
    const BuiltinModule* entry = nullptr;
    for (const BuiltinModule& m : BuiltinModuleTable())
      if (m.id && w.got.id == m.id) entry = &m;
    ASSERT_NE(entry, nullptr) << w.got.id;
    EXPECT_EQ(entry->number, w.got.legacy_number);
    EXPECT_EQ(entry->flags, w.got.flags);
    EXPECT_STREQ(entry->ug_class, w.ug_class);
    const UgFactory make = BuiltinUgFactory(w.ug_class);
    ASSERT_NE(make, nullptr) << w.ug_class;
    std::unique_ptr<ug_base> u(make());
    std::vector<InterfaceObject> a;
    u->ListInterface(a);
    EXPECT_FALSE(a.empty());
  }
  EXPECT_EQ(ug_adsr::Descriptor().legacy_number, 2);
  EXPECT_EQ(ug_8_stage::Descriptor().legacy_number, 50);
  EXPECT_EQ(ug_envelope_ms::Descriptor().legacy_number, 96);
}

}  // namespace
}  // namespace kv
