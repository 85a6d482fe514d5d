#include "modules/amplifiers/math_base.h"

#include <algorithm>

namespace kv {

bool ug_math_base::IsVoiceInputActive() {
  return (plugs[kInput1]->flags & UPLUG_VOICE_FED) && (plugs[kInput2]->flags & UPLUG_VOICE_FED);
}

void ug_math_base::Open() {
  ug_base::Open();
  Choose(clock);
}

void ug_math_base::OnPlugStateChange(sample_clock time, Connection*, state_type) { Choose(time); }

void ug_math_base::Choose(sample_clock time) {
  const state_type s1 = plugs[kInput1]->state, s2 = plugs[kInput2]->state;
  state_type d = std::max(s1, s2);
  if (zero_rule_) {
    if (s1 != ST_RUN && PlugValue(kInput1) == 0.0f) d = ST_ONE_OFF;
    if (s2 != ST_RUN && PlugValue(kInput2) == 0.0f) d = ST_ONE_OFF;
  }
  if (d == ST_RUN) {
    if (s1 != ST_RUN)
      SetProcessFunction(&ug_math_base::sub_process_in1_static);
    else if (s2 == ST_RUN)
      SetProcessFunction(&ug_math_base::sub_process_both);
    else
      SetProcessFunction(&ug_math_base::sub_process_in2_static);
  } else {
    d = ST_ONE_OFF;
    SetProcessFunction(&ug_math_base::sub_process_both);
    RunOneThenStatic();
  }
  plugs[kOutput]->TransmitState(time, d);
}

}  // namespace kv
