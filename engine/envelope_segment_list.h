#pragma once
// The segments of a "Multistage Env" as its editor hands them to the engine.
//
// A list is an array of records (level, slope, kind): level 1.0 = 10 V; slope in level
// units per second; kind 0 an ordinary segment, 1 the sustain point, 2 the end marker. The
// editor writes one record per drawn segment (the last one an end marker) and a closing
// record (0.0, 10.0, 2).
//
// Sharing between the editor and the engine. The editor (user-interface thread) publishes
// a new immutable list after every edit; unit generators take the newest one when they
// open and when told that the list changed (audio thread), and give their old one back.
// Only the publishing thread deletes lists, so the audio thread never frees memory:
//   - a list in use has a non-zero reference count;
//   - the two newest lists are always kept;
//   - every list carries a generation number; the store records the newest generation an
//     engine has taken (after counting its reference). An older list with no references is
//     deleted only when its generation is below that record, so no engine can be between
//     reading the newest pointer and counting its reference to it.
// The store must outlive the engines built from it (the document outlives its engines).
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace kv {

struct EnvSegmentRecord {
  float level;
  float slope;
  int32_t kind;
};

enum EnvSegmentKind : int32_t { kEnvSegOrdinary = 0, kEnvSegSustain = 1, kEnvSegEnd = 2 };

class EnvSegmentList {
 public:
  EnvSegmentList(std::vector<EnvSegmentRecord> records, uint64_t generation)
      : records(std::move(records)), generation(generation) {}
  const std::vector<EnvSegmentRecord> records;
  const uint64_t generation;
  mutable std::atomic<int32_t> refs{0};
};

class EnvSegmentStore {
 public:
  EnvSegmentStore();  // holds the default envelope
  ~EnvSegmentStore();
  EnvSegmentStore(const EnvSegmentStore&) = delete;
  EnvSegmentStore& operator=(const EnvSegmentStore&) = delete;

  // Publishing thread: makes `records` the newest list and deletes lists nobody can reach.
  void Publish(std::vector<EnvSegmentRecord> records);
  // Takes the newest list, counting a reference. Never null.
  const EnvSegmentList* Acquire();
  static void Release(const EnvSegmentList* list);
  // Publishing thread: lists still kept (tests).
  std::size_t KeptCount() const { return lists_.size(); }

 private:
  std::atomic<EnvSegmentList*> newest_{nullptr};
  std::atomic<uint64_t> taken_generation_{0};
  uint64_t next_generation_ = 1;
  std::vector<std::unique_ptr<EnvSegmentList>> lists_;  // oldest first
};

// One drawn segment of the editor: it ends `end_time` seconds after the gate rises, at
// `level`.
struct EnvPoint {
  float end_time;
  float level;
};

// The records for drawn segments: for segment k the level, the slope
// |(level[k] - level[k-1]) / max(|time[k] - time[k-1]|, 0.0001)| (level and time 0 before
// the first), kind 1 for `sustain` (-1: none), 2 for the last segment; then the closing
// record.
std::vector<EnvSegmentRecord> MakeEnvSegmentRecords(const std::vector<EnvPoint>& points, int sustain);

// What a unit generator that plays segment lists offers the editor that publishes them.
class EnvSegmentPlayer {
 public:
  // Panel message kind: the editor published a new list.
  static constexpr int32_t kListChanged = 7;
  virtual ~EnvSegmentPlayer() = default;
  // Build time: the store shared with the editor, kept alive by the unit generator and its
  // voice copies for as long as any of them can read a list from it.
  virtual void SetSegmentStore(std::shared_ptr<EnvSegmentStore> store) = 0;
};

}  // namespace kv
