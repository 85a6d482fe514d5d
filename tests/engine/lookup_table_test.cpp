// Lookup tables, the per-instance registry and the named tables' contents.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "engine/lookup_catalogue.h"
#include "engine/lookup_table_registry.h"
#include "tests/support/engine_rig.h"

namespace kv::test {
namespace {

ULookup Ramp514() {
  ULookup t;
  t.SetSize(514);
  for (int i = 0; i < 514; ++i) t.SetValue(i, static_cast<float>(i) * 0.5f + 1.0f);
  return t;
}

TEST(LookupTable, InterpolatedLookupIsClampedAndNanSafe) {
  const ULookup t = Ramp514();
  struct Case {
    float v;
    int entry;
  };
  for (const Case c : {Case{-0.3f, 0}, Case{0.0f, 0}, Case{0.5f, 256}, Case{1.0f, 512},
                       Case{1.7f, 512}, Case{std::numeric_limits<float>::infinity(), 512},
                       Case{-std::numeric_limits<float>::infinity(), 0},
                       Case{std::nanf(""), 0}}) {
    EXPECT_EQ(t.InterpolatedLookup(c.v), t.GetValue(c.entry)) << c.v;
  }
  // Between entries: linear.
  EXPECT_FLOAT_EQ(t.InterpolatedLookup((100.25f) / 512.0f), 0.5f * 100.25f + 1.0f);
}

TEST(LookupTable, FloatTablesStoreNoDenormals) {
  ULookup t;
  t.SetSize(4);
  t.SetValue(0, 1e-25f);
  t.SetValue(1, -1e-19f);
  t.SetValue(2, -1e-21f);
  t.SetValue(3, std::numeric_limits<float>::denorm_min());
  EXPECT_EQ(t.GetValue(0), 0.0f);
  EXPECT_EQ(t.GetValue(1), -1e-19f);
  EXPECT_EQ(t.GetValue(2), 0.0f);
  EXPECT_EQ(t.GetValue(3), 0.0f);
  ULookup_Integer i;
  i.SetSize(1);
  i.SetValue(0, 0xFFFFFFFFu);
  EXPECT_EQ(i.GetValue(0), 0xFFFFFFFFu);
}

TEST(LookupTableRegistry, SameNameAtANewRateIsTheSameTableRefilled) {
  LookupTableRegistry reg;
  const ULookup* a = OnePoleLookup(reg, 44100.0f);
  const float at_44100 = a->GetValue(300);
  ULookup* again = reg.CreateSharedLookup(table_name::kOnePole, 48000);
  EXPECT_EQ(again, a);
  EXPECT_FALSE(again->initialised);
  EXPECT_EQ(reg.KeyOf(table_name::kOnePole), 48000);
  const ULookup* b = OnePoleLookup(reg, 48000.0f);
  EXPECT_EQ(b, a);
  EXPECT_TRUE(b->initialised);
  EXPECT_FLOAT_EQ(b->GetValue(300), std::exp(-2 * std::numbers::pi * PitchEntryHz(300) / 48000.0));
  EXPECT_NE(b->GetValue(300), at_44100);
  // A rate-independent table is not disturbed by requests for other tables.
  EXPECT_EQ(reg.size(), 1u);
}

TEST(LookupTableRegistry, FirstRequestDecidesTheKindAndNamesAreExact) {
  LookupTableRegistry reg;
  LookupTable* i = reg.FindSharedLookup("x", -1, true);
  EXPECT_NE(dynamic_cast<ULookup_Integer*>(i), nullptr);
  EXPECT_EQ(reg.FindSharedLookup("x", -1, false), i);  // still the integer table
  EXPECT_EQ(reg.CreateSharedLookup("x", -1), nullptr);  // typed request refuses the mismatch
  EXPECT_NE(reg.FindSharedLookup("X", -1, false), i);   // case-sensitive
  EXPECT_NE(reg.FindSharedLookup("x ", -1, false), i);
  EXPECT_EQ(reg.size(), 3u);
  reg.Remove("x");
  EXPECT_EQ(reg.KeyOf("x"), -2);
}

TEST(LookupTableRegistry, WaveShaperCurvesAreNamedByModuleIdAndRemovable) {
  LookupTableRegistry reg;
  ULookup* a = WaveShaperCurve(reg, 0x1f);
  EXPECT_EQ(WaveShaperCurve(reg, 0x1f), a);
  EXPECT_NE(WaveShaperCurve(reg, 0x20), a);
  EXPECT_EQ(reg.KeyOf("ug_wave_shaper Curve 1f"), -1);
  RemoveWaveShaperCurve(reg, 0x1f);
  EXPECT_EQ(reg.KeyOf("ug_wave_shaper Curve 1f"), -2);
}

// The master reaches its owner's tables, which outlive engines; a master without an owner
// keeps its own, so two such engines share nothing.
TEST(LookupTableRegistry, BelongsToTheOwnerOfTheEngine) {
  struct Owner : EngineHost {
    void ApplyPendingHostParameters() override {}
    const TimeInfo* FetchHostTimeInfo(int32_t) override { return nullptr; }
    void QueueModuleMessage(const ModuleMessage&) override {}
    void QueueDocumentRefresh(DocumentModule*) override {}
    LookupTableRegistry* SharedLookupTables() override { return &tables; }
    LookupTableRegistry tables;
  } owner;
  const ULookup* first;
  {
    KvAudioMaster m(&owner, 512, 44100.0f);
    first = DbCurve(m.lookup_tables());
  }
  KvAudioMaster m2(&owner, 512, 48000.0f);
  EXPECT_EQ(DbCurve(m2.lookup_tables()), first);
  KvAudioMaster lone1(nullptr, 512, 44100.0f), lone2(nullptr, 512, 44100.0f);
  EXPECT_NE(DbCurve(lone1.lookup_tables()), DbCurve(lone2.lookup_tables()));
}

// Entries against their defining formulas, written out independently, within 1e-4 relative.
TEST(LookupCatalogue, EntriesMatchTheirFormulas) {
  LookupTableRegistry r;
  const double pi = std::numbers::pi;
  auto hz = [](int i) { return 440.0 * std::pow(2.0, i * 10.0 / 512.0 - 5.0); };
  struct Check {
    const ULookup* t;
    int i;
    double want;
  };
  const double sr = 48000.0;
  const MoogLpLookups moog = MoogLpLookup(r, 48000.0f);
  auto kp = [&](int i) {
    const double f = 2 * std::min(hz(i), sr / 2) / sr;
    return 3.6 * f - 1.6 * f * f - 1;
  };
  const std::vector<Check> checks = {
      {DbCurve(r), 512, 1.0},
      {DbCurve(r), 0, 1e-7},
      {DbCurve(r), 52, std::pow(10.0, -5.4765625)},  // -44.92 dB, three times as steep: -54.77
      {DbCurve(r), 256, std::pow(10.0, -2.5)},
      {EqualPowerCurve(r), 256, std::sqrt(0.5)},
      {SinEqualPowerCurve(r), 256, std::sqrt(0.5)},
      {SinEqualPowerCurve(r), 512, 1.0},
      {TruncExpCurve(r), 0, 0.0},
      {TruncExpCurve(r), 512, 1.0},
      {TruncExpCurve(r), 256, (std::exp(-1.5) - std::exp(-3.0)) / (1 - std::exp(-3.0))},
      {AllpassALookup(r), 128, std::exp(-pi / 2)},
      {AllpassBLookup(r), 128, 0.0},
      {AllpassBLookup(r), 256, -2.0},
      {SvResonanceLimitLookup(r), 512, (0.000025 * 512 * 512 + 0.009 * 512 + 7.8) * 0.1},
      {SvCutoffLookup(r, 48000.0f), 256, 2 * pi * 440 / sr},
      {SvCutoffLookup(r, 48000.0f), 512, 2 * pi * 14080 / sr},
      {OnePoleLookup(r, 48000.0f), 256, std::exp(-2 * pi * 440 / sr)},
      {moog.kp, 256, kp(256)},
      {moog.scale, 256, std::exp((1 - (kp(256) + 1) / 2) * 1.386249)},
  };
  for (std::size_t k = 0; k < checks.size(); ++k) {
    const Check& c = checks[k];
    EXPECT_NEAR(c.t->GetValue(c.i), c.want, 1e-4 * std::abs(c.want) + 1e-12) << "check " << k;
  }
  // Clamped frequencies: at 22050 Hz the one-pole table stops at 0.495 sr, the
  // state-variable cutoff at sr/2.
  EXPECT_FLOAT_EQ(OnePoleLookup(r, 22050.0f)->GetValue(513),
                  static_cast<float>(std::exp(-2 * pi * 0.495)));
  EXPECT_FLOAT_EQ(SvCutoffLookup(r, 22050.0f)->GetValue(513), static_cast<float>(pi));
}

TEST(LookupCatalogue, OscPitchLookupHoldsTheTopOctaveAsIncrements) {
  LookupTableRegistry r;
  for (float sr : {44100.0f, 96000.0f}) {
    const ULookup_Integer* t = OscPitchLookup(r, sr);
    EXPECT_EQ(t->GetValue(0), static_cast<uint32_t>(std::trunc(3520.0 * 4294967296.0 / sr + 0.5)));
    EXPECT_NEAR(t->GetValue(512), 2.0 * t->GetValue(0), 1.0);
    EXPECT_NEAR(t->GetValue(256), std::sqrt(2.0) * t->GetValue(0), 1.0);
  }
}

TEST(SincInterpolationTable, RowsPassDcAndPhaseZeroIsAnImpulse) {
  const ULookup& t = SincInterpolationTable();
  EXPECT_EQ(&t, &SincInterpolationTable());
  EXPECT_TRUE(t.initialised);
  EXPECT_EQ(t.size(), 320);
  for (int row = 0; row <= kSincPhases; ++row) {
    double sum = 0;
    for (int tap = 0; tap < kSincTaps; ++tap) sum += t.GetValue(8 * row + tap);
    EXPECT_NEAR(sum, 1.0, 1e-6) << row;
  }
  EXPECT_FLOAT_EQ(t.GetValue(3), 1.0f);
  EXPECT_EQ(t.GetValue(7), 0.0f);
  for (int tap : {0, 1, 2, 4, 5, 6}) EXPECT_NEAR(t.GetValue(tap), 0.0f, 1e-7);
  // The extra phase is phase 0 moved by one tap.
  EXPECT_EQ(t.GetValue(256), 0.0f);
  EXPECT_FLOAT_EQ(t.GetValue(260), 1.0f);
  // Half-sample phase: symmetric around the centre.
  for (int tap = 0; tap < 4; ++tap)
    EXPECT_NEAR(t.GetValue(8 * 16 + tap), t.GetValue(8 * 16 + 7 - tap), 1e-6) << tap;
}

}  // namespace
}  // namespace kv::test
