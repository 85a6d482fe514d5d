// "Multistage Env": the records its editor hands over, the drawn times and levels, list
// changes while playing, the quick release and the sharing of lists with the editor.
#include <gtest/gtest.h>

#include <memory>

#include "modules/envelopes/multistage_envelope.h"
#include "tests/modules/envelopes/envelope_rig.h"

namespace kv::test {
namespace {

constexpr float kSr = 48000;

// The default drawing: 0.1 s to 1.0, 0.4 s to 0.8 (sustain), 1.0 s to 0.
std::vector<EnvSegmentRecord> DefaultRecords() {
  return MakeEnvSegmentRecords({{0.1f, 1.0f}, {0.4f, 0.8f}, {1.0f, 0.0f}}, 1);
}

TEST(MultistageRecords, SlopesAndKindsFromTheDrawnSegments) {
  const auto r = DefaultRecords();
  ASSERT_EQ(r.size(), 4u);
  const float levels[] = {1.0f, 0.8f, 0.0f, 0.0f};
  const float slopes[] = {10.0f, 0.6666667f, 1.3333334f, 10.0f};
  const int kinds[] = {0, 1, 2, 2};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(r[k].level, levels[k]) << k;
    EXPECT_NEAR(r[k].slope, slopes[k], 1e-5) << k;
    EXPECT_EQ(r[k].kind, kinds[k]) << k;
  }
  // Segments at the same time: the time step counts as 0.1 ms; no sustain mark.
  const auto steep = MakeEnvSegmentRecords({{0.0f, 0.5f}, {0.0f, 0.0f}}, -1);
  EXPECT_NEAR(steep[0].slope, 5000.0f, 1e-2);
  EXPECT_EQ(steep[0].kind, 0);
  EXPECT_EQ(steep[1].kind, 2);
}

struct MsRig : FilterRig<ug_envelope_ms> {
  MsRig(EnvSegmentStore* store, std::vector<std::pair<int64_t, float>> gate) : FilterRig(kSr) {
    f->segment_store = store;
    Feed(ug_envelope_ms::kGate, Gate(e, std::move(gate)));
    Static(ug_envelope_ms::kOverallLevel, V(10));
    out = Record(ug_envelope_ms::kSignalOut);
  }
  Recorder* out;
};

TEST(Multistage, PlaysTheDrawnTimesAndLevels) {
  EnvSegmentStore store;  // holds the default drawing
  const int64_t off = kSr;
  MsRig rig(&store, {{0, 1.0f}, {off, 0.0f}});
  rig.Run(2 * kSr);
  const auto& out = rig.out->samples;
  EXPECT_EQ(rig.f->sustain_segment(), 1);
  EXPECT_EQ(rig.f->end_segment(), 2);
  const int64_t peak = FirstAt(out, 1.0f);
  EXPECT_NEAR(peak + 1, 0.1 * kSr, 1.0);
  const int64_t sustain = FirstAt(out, 0.8f, peak);
  EXPECT_NEAR(sustain + 1, 0.4 * kSr, 1.0);
  EXPECT_EQ(out[off - 1], 0.8f);
  const int64_t zero = FirstAt(out, 0.0f, off);
  EXPECT_NEAR(zero - off + 1, 0.6 * kSr, 1.0);
  EXPECT_EQ(out.back(), 0.0f);
  EXPECT_TRUE(rig.f->sleeping);
}

// A list without an end marker ends after its last record: the end segment then ramps to
// level 0 at the closing rate.
TEST(Multistage, ListWithoutEndMarkerEndsAtItsLength) {
  EnvSegmentStore store;
  store.Publish({{1.0f, 10.0f, kEnvSegOrdinary}, {0.5f, 10.0f, kEnvSegSustain}});
  MsRig rig(&store, {{0, 1.0f}, {20000, 0.0f}});
  rig.Run(kSr);
  const auto& out = rig.out->samples;
  EXPECT_EQ(rig.f->end_segment(), 2);
  EXPECT_EQ(rig.f->sustain_segment(), 1);
  EXPECT_EQ(out[19999], 0.5f);
  const int64_t zero = FirstAt(out, 0.0f, 20000);
  EXPECT_NEAR(zero - 20000 + 1, 0.05 * kSr, 1.0);  // 0.5 at 10 per second
}

// An edit while the envelope holds at its sustain point: the new list arrives as panel
// message 7 and the hold moves to the new level at the new slope.
TEST(Multistage, EditedSustainLevelIsReachedByMoving) {
  EnvSegmentStore store;
  MsRig rig(&store, {{0, 1.0f}});
  rig.e.Start();
  RunCalls(rig.e, 30000, {512});
  ASSERT_EQ(rig.out->samples.back(), 0.8f);
  store.Publish(MakeEnvSegmentRecords({{0.1f, 1.0f}, {0.2f, 0.5f}, {1.0f, 0.0f}}, 1));
  const int64_t at = rig.e.master.clock;
  rig.f->AddEvent(at, UET_UI_NOTIFY, ug_envelope_ms::kListChanged, 0);
  RunCalls(rig.e, 20000, {512});
  const auto& out = rig.out->samples;
  const int64_t reached = FirstAt(out, 0.5f, at);
  // 0.3 at the new slope of 5 per second.
  EXPECT_NEAR(reached - at + 1, 0.3 / 5.0 * kSr, 1.0);
  EXPECT_EQ(out.back(), 0.5f);
}

TEST(Multistage, QuickReleaseFadesInAboutFifteenSamples) {
  EnvSegmentStore store;
  MsRig rig(&store, {{0, 1.0f}});
  rig.e.Start();
  RunCalls(rig.e, 30000, {512});
  const int64_t at = rig.e.master.clock;
  PostQuickRelease(rig.f);
  RunCalls(rig.e, 1000, {512});
  const int64_t zero = FirstAt(rig.out->samples, 0.0f, at);
  EXPECT_GE(zero - at + 1, 14);
  EXPECT_LE(zero - at + 1, 15);
  EXPECT_TRUE(rig.f->released());
}

// Voice copies share the prototype's store, and hold a reference to the list they use.
TEST(Multistage, VoiceCopiesShareTheList) {
  EnvSegmentStore store;
  MsRig rig(&store, {{0, 1.0f}});
  std::unique_ptr<ug_base> copy(rig.f->Clone());
  EXPECT_EQ(static_cast<ug_envelope_ms*>(copy.get())->segment_store, &store);
}

// Lists the engine holds survive any number of edits; lists nobody holds are deleted, so
// the store stays small while the editor drags a point.
TEST(EnvSegmentStore, KeepsListsInUseAndDropsTheRest) {
  EnvSegmentStore store;
  const EnvSegmentList* held = store.Acquire();
  const float first_level = held->records[0].level;
  for (int i = 0; i < 100; ++i) {
    store.Publish(MakeEnvSegmentRecords({{0.1f, 0.01f * i}, {0.2f, 0.0f}}, -1));
    const EnvSegmentList* now = store.Acquire();  // the engine takes each new list
    EnvSegmentStore::Release(now);
  }
  EXPECT_LE(store.KeptCount(), 3u);  // the held one and the two newest
  EXPECT_EQ(held->records[0].level, first_level);
  EXPECT_EQ(held->refs.load(), 1);
  EnvSegmentStore::Release(held);
  store.Publish(DefaultRecords());
  EXPECT_EQ(store.KeptCount(), 2u);
}

}  // namespace
}  // namespace kv::test
