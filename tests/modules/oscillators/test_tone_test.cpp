#include <gtest/gtest.h>

#include <algorithm>

#include "modules/oscillators/test_tone.h"
#include "tests/modules/oscillators/spectrum.h"
#include "tests/support/signal_rig.h"

namespace kv::test {
namespace {

TEST(TestTone, OneKilohertzAtFiveVoltsPeak) {
  for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
    Engine e(512, rate);
    auto* tone = e.Add<ug_test_tone>(10);
    auto* rec = e.Add<Recorder>(0);
    Wire(tone, ug_test_tone::kSignalOut, rec, 0);
    e.Start();
    RunCalls(e, static_cast<int64_t>(rate), {512});
    const auto& y = rec->samples;
    EXPECT_NEAR(PeakFrequency(y, 0, 32768, rate, 1000.0, 2.0), 1000.0, 0.01) << rate;
    EXPECT_NEAR(*std::max_element(y.begin(), y.end()), 0.5f, 1e-4);
    EXPECT_NEAR(*std::min_element(y.begin(), y.end()), -0.5f, 1e-4);
  }
}

}  // namespace
}  // namespace kv::test
