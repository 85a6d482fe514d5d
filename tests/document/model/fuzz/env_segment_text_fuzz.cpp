// Fuzz target: the segment texts of "Multistage Env" (from patches, hosts and people).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "document/model/env_segment_text.h"
#include "engine/envelope_segment_list.h"

namespace {
void check(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  kv::EnvSegmentText env;
  if (!kv::ReadEnvSegmentText(text, env).empty()) {
    check(env.segments.empty() && env.sustain == -1);  // a refused text leaves the envelope alone
    return 0;
  }
  const auto& s = env.segments;
  check(!s.empty() && s.size() <= static_cast<size_t>(kv::kEnvMaxSegments));
  check(env.sustain >= -1 && env.sustain < static_cast<int>(s.size()));
  float previous = 0.0f;
  for (const kv::env_seg& seg : s) {
    check(seg.end_time >= previous && seg.end_time <= kv::kEnvMaxTime);
    check(seg.level >= -1.0f && seg.level <= 1.0f);
    previous = seg.end_time;
  }
  // The written text reads back as the same envelope, to the precision written.
  kv::EnvSegmentText again;
  check(kv::ReadEnvSegmentText(kv::WriteEnvSegmentText(env), again).empty());
  check(again.segments.size() == s.size() && again.sustain == env.sustain);
  for (size_t k = 0; k < s.size(); ++k) {
    check(std::fabs(again.segments[k].end_time - s[k].end_time) <= 1e-4f);
    check(std::fabs(again.segments[k].level - s[k].level) <= 1e-6f);
  }
  // The engine's records: finite slopes, one end marker per drawn list and the closing one.
  std::vector<kv::EnvPoint> points;
  for (const kv::env_seg& seg : s) points.push_back({seg.end_time, seg.level});
  const auto records = kv::MakeEnvSegmentRecords(points, env.sustain);
  check(records.size() == s.size() + 1);
  for (const auto& r : records) check(std::isfinite(r.slope) && r.slope >= 0.0f && std::isfinite(r.level));
  check(records[s.size() - 1].kind == kv::kEnvSegEnd && records.back().kind == kv::kEnvSegEnd);
  return 0;
}
