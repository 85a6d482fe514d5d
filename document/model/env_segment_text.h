#pragma once
// The value text of a "Multistage Env": its segments, in order, as pairs of end time
// (seconds from the gate's rise) and level (1.0 = 10 V), e.g. the default
//   (0.1,1.0)S(0.4,0.8)(1.0,0.0)
// An "S" just before a pair marks the sustain segment: the envelope holds at that pair's
// level while the gate is high.
//
// Reading is strict, because a text can come from a patch file, a host or a person: every
// pair must read as two numbers, white space may stand between the parts and nothing else
// may, end times run from 0 to 999 seconds and never go back, levels stay within -1..1,
// and at most one pair carries the sustain mark. A text that breaks a rule is refused with
// the reason, so that its caller keeps the envelope it had.
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// One drawn segment: it ends `end_time` seconds after the gate rises, at `level`.
struct env_seg {
  float level;
  float end_time;
};

struct EnvSegmentText {
  std::vector<env_seg> segments;
  int sustain = -1;  // the sustain segment's index, -1 for none
};

inline constexpr char kEnvDefaultText[] = "(0.1,1.0)S(0.4,0.8)(1.0,0.0)";
inline constexpr int kEnvMaxSegments = 1000;
inline constexpr float kEnvMaxTime = 999.0f;

// Reads `text` into `out`. Answers an empty text on success; otherwise the reason, and `out`
// is left as it was.
std::string ReadEnvSegmentText(std::string_view text, EnvSegmentText& out);
// Each segment as "(%f,%f)" (end time, level), the sustain segment's pair preceded by "S".
std::string WriteEnvSegmentText(const EnvSegmentText& envelope);

}  // namespace kv
