#include "engine/envelope_segment_list.h"

#include <algorithm>
#include <cmath>

namespace kv {

// Until its editor publishes, a store holds the editor's default envelope: 0.1 s to full
// level, 0.3 s to 8 V and hold, 0.6 s to 0.
EnvSegmentStore::EnvSegmentStore() {
  Publish(MakeEnvSegmentRecords({{0.1f, 1.0f}, {0.4f, 0.8f}, {1.0f, 0.0f}}, 1));
}

EnvSegmentStore::~EnvSegmentStore() = default;

void EnvSegmentStore::Publish(std::vector<EnvSegmentRecord> records) {
  lists_.push_back(std::make_unique<EnvSegmentList>(std::move(records), next_generation_++));
  newest_.store(lists_.back().get(), std::memory_order_release);
  const uint64_t taken = taken_generation_.load(std::memory_order_acquire);
  const std::size_t keep_from = lists_.size() >= 2 ? lists_.size() - 2 : 0;
  std::size_t i = 0;
  std::erase_if(lists_, [&](const std::unique_ptr<EnvSegmentList>& l) {
    const bool old = i++ < keep_from;
    return old && l->generation < taken && l->refs.load(std::memory_order_acquire) == 0;
  });
}

const EnvSegmentList* EnvSegmentStore::Acquire() {
  const EnvSegmentList* l = newest_.load(std::memory_order_acquire);
  l->refs.fetch_add(1, std::memory_order_acq_rel);
  uint64_t seen = taken_generation_.load(std::memory_order_relaxed);
  while (seen < l->generation &&
         !taken_generation_.compare_exchange_weak(seen, l->generation, std::memory_order_release,
                                                  std::memory_order_relaxed)) {
  }
  return l;
}

void EnvSegmentStore::Release(const EnvSegmentList* list) {
  if (list) list->refs.fetch_sub(1, std::memory_order_acq_rel);
}

std::vector<EnvSegmentRecord> MakeEnvSegmentRecords(const std::vector<EnvPoint>& points, int sustain) {
  std::vector<EnvSegmentRecord> r;
  r.reserve(points.size() + 1);
  float prev_level = 0.0f, prev_time = 0.0f;
  for (std::size_t k = 0; k < points.size(); ++k) {
    const EnvPoint& p = points[k];
    const float dt = std::max(std::fabs(p.end_time - prev_time), 0.0001f);
    const float slope = std::fabs((p.level - prev_level) / dt);
    int32_t kind = static_cast<int>(k) == sustain ? kEnvSegSustain : kEnvSegOrdinary;
    if (k + 1 == points.size()) kind = kEnvSegEnd;
    r.push_back({p.level, slope, kind});
    prev_level = p.level;
    prev_time = p.end_time;
  }
  r.push_back({0.0f, 10.0f, kEnvSegEnd});
  return r;
}

}  // namespace kv
