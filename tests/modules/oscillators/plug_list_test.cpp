// The plug lists the oscillators declare, in plug order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modules/oscillators/oscillator.h"
#include "modules/oscillators/phase_dist_oscillator.h"
#include "modules/oscillators/test_tone.h"
#include "tests/support/plug_declarations.h"

namespace kv {
namespace {

using Decl = PlugDeclaration;

TEST(OscillatorPlugs, DeclaredInPlugOrder) {
  EXPECT_EQ(Declared(ug_oscillator2{}),
            (std::vector<Decl>{
                {"Pitch", DR_IN, dt_volts, "5", "100, 0, 10, 0", 1},
                {"Pulse Width", DR_IN, dt_volts, "5", "", 1},
                {"Waveform", DR_IN, dt_enum, "1", "Sine, Saw, Ramp, Triangle, Pulse,White Noise,Pink Noise", 1},
                {"Audio Out", DR_OUT, dt_volts, "0", "", 0},
                {"Sync", DR_IN, dt_volts, "0", "100, 0, 5, -5", 1},
                {"Phase Mod", DR_IN, dt_volts, "0", "100, 0, 10, 0", 1},
                {"Freq Scale", DR_PARAMETER, dt_enum, "0", "1 Volt/Octave, 1 Volt/kHz ", 0},
                {"PM Depth", DR_IN, dt_volts, "5", "100, 0, 10, 0", 1},
                {"Smooth Peaks (Gibbs Effect)", DR_PARAMETER, dt_bool, "1", "", 0},
                {"Sync X-Fade (Anti Alias)", DR_PARAMETER, dt_bool, "1", "", 0},
            }));
  EXPECT_EQ(Declared(ug_oscillator_pd{}),
            (std::vector<Decl>{
                {"Pitch", DR_IN, dt_volts, "5", "100, 0, 10, 0", 1},
                {"Modulation Depth", DR_IN, dt_volts, "5", "", 1},
                {"Audio Out", DR_OUT, dt_volts, "0", "", 0},
                {"Wave1", DR_IN, dt_enum, "0", "Saw,Square,Pulse,Dbl Sine,Saw-Pulse,Reso1,Reso2,Reso3", 1},
                {"Wave2", DR_IN, dt_enum, "0", "None=-1,Saw,Square,Pulse,Dbl Sine,Saw-Pulse,Reso1,Reso2,Reso3", 1},
                {"Freq Scale", DR_PARAMETER, dt_enum, "0", "1 Volt/Octave, 1 Volt/kHz ", 0},
            }));
  EXPECT_EQ(Declared(ug_test_tone{}),
            (std::vector<Decl>{{"Signal Out", DR_OUT, dt_volts, "0", "", 0}}));
}

TEST(OscillatorPlugs, RegistryDescriptors) {
  static_assert(ug_oscillator2::Descriptor().legacy_number == 0);
  EXPECT_EQ(ug_oscillator2::Descriptor().id, "Oscillator");
  EXPECT_EQ(ug_oscillator_pd::Descriptor().id, "Phase Dist Osc");
  EXPECT_EQ(ug_oscillator_pd::Descriptor().legacy_number, 87);
  EXPECT_EQ(ug_test_tone::Descriptor().id, "1 KHz Tone");
  EXPECT_EQ(ug_test_tone::Descriptor().legacy_number, 80);
  for (uint32_t f : {ug_oscillator2::Descriptor().flags, ug_oscillator_pd::Descriptor().flags,
                     ug_test_tone::Descriptor().flags})
    EXPECT_EQ(f, 0x100u);
}

}  // namespace
}  // namespace kv
