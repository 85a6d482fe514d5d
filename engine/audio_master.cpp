#include "engine/audio_master.h"

#include <algorithm>
#include <cmath>

#include "engine/ug_base.h"

namespace kv {

KvAudioMaster::KvAudioMaster(EngineHost* host, int host_block_size, float sample_rate)
    : host_(host), sample_rate_(sample_rate) {
  master = this;
  pool_.Reserve(kMasterEventReserve);
  SetBlockSize(host_block_size);
}

KvAudioMaster::~KvAudioMaster() { running_.store(false, std::memory_order_release); }

LookupTableRegistry& KvAudioMaster::lookup_tables() {
  if (host_)
    if (LookupTableRegistry* r = host_->SharedLookupTables()) return *r;
  if (!own_tables_) own_tables_ = std::make_unique<LookupTableRegistry>();
  return *own_tables_;
}

// The engine block divides the host block, so host calls of the announced size align with
// engine blocks. The rule prefers a divisor between kPreferredMin and twice that, accepts
// one down to kSmallestAccepted when the first choice is large, and falls back to the whole
// host block when no divisor suits (a prime such as 1009 gives 1009).
int KvAudioMaster::EngineBlockSize(int n) {
  constexpr int kPreferredMin = 96;                  // smaller host blocks are used whole
  constexpr int kPreferredMax = 2 * kPreferredMin;   // 192: above it, look for a smaller divisor
  constexpr int kSmallestAccepted = 30;
  if (n <= 0) n = 1024;
  if (n < kPreferredMin) return n;
  const int q = n / kPreferredMin;
  int bs = n;
  for (int d = q; d >= 1; --d) {
    if (n % d == 0) {
      bs = n / d;
      break;
    }
  }
  const int lim = std::max(kPreferredMax - bs, kSmallestAccepted);
  const int m = n / lim;
  for (int d = q + 1; d < m; ++d) {
    if (n % d == 0) {
      bs = n / d;
      break;
    }
  }
  return bs;
}

void KvAudioMaster::SetBlockSize(int host_block_size) {
  block_size_ = EngineBlockSize(host_block_size);
  zero_block_ = std::make_unique<USampBlock>(block_size_);
}

void KvAudioMaster::Start(ug_base* top) {
  clock = 0;
  block_start_ = 0;
  run_end_ = 0;
  call_start_ = 0;
  for (EventProcessor* u = run_head_; u;) {
    EventProcessor* next = u->run_next;
    u->run_prev = u->run_next = nullptr;
    u->in_run_list = false;
    u = next;
  }
  run_head_ = nullptr;
  current_ = walk_next_ = nullptr;
  attention_.store(false);
  closing_.store(false);
  stop_request_.store(false);
  master = this;
  if (top) {
    top->master = this;
    top->Open();
  }
}

void KvAudioMaster::Run(int count) {
  heartbeat_.fetch_add(1, std::memory_order_release);
  if (attention_.load(std::memory_order_acquire)) ServiceAttention();
  call_start_ = clock;
  if (count <= 0) return;
  sample_clock boundary = block_start_ + block_size_;
  while (count > 0) {
    sample_clock n = boundary - clock;
    if (n <= 0) {
      block_start_ = boundary;
      boundary += block_size_;
      n = block_size_;
    }
    if (n > count) n = count;
    run_end_ = clock + n;
    if (!events.empty()) HandleOwnEvents();
    for (EventProcessor* u = run_head_; u; u = walk_next_) {
      walk_next_ = u->run_next;
      current_ = u;
      if (u->clock < clock) u->clock = clock;
      if (u->clock < run_end_) u->Process(static_cast<int>(run_end_ - u->clock));
    }
    current_ = walk_next_ = nullptr;
    clock += n;
    count -= static_cast<int>(n);
  }
}

void KvAudioMaster::ServiceAttention() {
  // Clear first: a message published after this point sets it again.
  attention_.exchange(false, std::memory_order_seq_cst);
  ring_.Drain([this](const PanelMessage& m) {
    ug_event* e = pool_.Acquire(EventPriority::kNonEssential);
    if (!e) {
      ++undelivered_ui_;
      return;
    }
    e->time = clock;
    e->type = UET_UI_NOTIFY;
    e->arg1 = m.kind;
    e->arg2 = m.argument;
    e->arg3 = m.plug;
    m.target->InsertEvent(e, true);
  });
  if (host_params_pending_.exchange(false, std::memory_order_acq_rel) && host_)
    host_->ApplyPendingHostParameters();
}

void KvAudioMaster::HandleOwnEvents() {
  while (ug_event* e = events.front()) {
    if (e->time >= run_end_) break;
    events.Unlink(e);
    HandleEvent(e);
    pool_.Release(e);
  }
}

void KvAudioMaster::HandleEvent(ug_event* e) {
  if (e->type != UET_IO_FUNC || !e->ptr || !e->func) return;
  auto* target = static_cast<ug_base*>(e->ptr);
  target->clock = clock;
  (target->*(e->func))();
}

bool KvAudioMaster::AddIoFunction(sample_clock time, ug_base* target, ug_func fn) {
  ug_event* e = pool_.Acquire(EventPriority::kEssential);
  if (!e) return false;
  e->time = time;
  e->type = UET_IO_FUNC;
  e->ptr = target;
  e->func = fn;
  events.Insert(e);
  return true;
}

bool KvAudioMaster::PostUiMessage(ug_base* target, int32_t kind, int32_t argument) {
  if (!target) return false;
  if (!running()) {
    // Built but not started: nothing runs on the audio thread yet.
    if (clock == 0) {
      target->OnUiMessage(kind, argument);
      return true;
    }
    return false;
  }
  if (closing()) return false;
  PanelMessage m;
  m.target = target;
  m.kind = kind;
  m.argument = argument;
  if (!ring_.Post(m, heartbeat_, *wait_clock_)) return false;
  attention_.store(true, std::memory_order_seq_cst);
  return true;
}

bool KvAudioMaster::PostPlugValue(ug_base* target, int plug_index, int32_t bits) {
  if (!target || !running() || closing()) return false;
  PanelMessage m;
  m.target = target;
  m.kind = UIM_SET_PLUG_VALUE;
  m.argument = bits;
  m.plug = plug_index;
  if (!ring_.Post(m, heartbeat_, *wait_clock_)) return false;
  attention_.store(true, std::memory_order_seq_cst);
  return true;
}

void KvAudioMaster::RequestClose() {
  closing_.store(true, std::memory_order_release);
  attention_.store(true, std::memory_order_seq_cst);
}

void KvAudioMaster::SetHostParamsPending() {
  host_params_pending_.store(true, std::memory_order_release);
  attention_.store(true, std::memory_order_seq_cst);
}

void KvAudioMaster::Insert(EventProcessor* u) {
  if (!u || u->in_run_list) return;
  const int32_t s = u->sort_order;
  EventProcessor* prev = nullptr;
  EventProcessor* node = run_head_;
  while (node && node->sort_order >= s) {
    prev = node;
    node = node->run_next;
  }
  u->run_prev = prev;
  u->run_next = node;
  if (prev)
    prev->run_next = u;
  else
    run_head_ = u;
  if (node) node->run_prev = u;
  u->in_run_list = true;

  if (current_ && current_->sort_order < s) {
    // Placed ahead of the unit generator being processed: it missed this run.
    u->clock = run_end_;
  } else {
    // Runs in this run (unless it already did: its clock then stays at the run's end).
    u->clock = std::max(u->clock, clock);
    if (current_ && u->run_next == walk_next_) walk_next_ = u;
  }
}

void KvAudioMaster::Remove(EventProcessor* u) {
  if (!u || !u->in_run_list) return;
  if (walk_next_ == u) walk_next_ = u->run_next;
  if (u->run_prev)
    u->run_prev->run_next = u->run_next;
  else
    run_head_ = u->run_next;
  if (u->run_next) u->run_next->run_prev = u->run_prev;
  u->run_prev = u->run_next = nullptr;
  u->in_run_list = false;
}

const TimeInfo* KvAudioMaster::GetTimeInfo(int32_t request_flags) {
  if (!host_) return nullptr;
  const TimeInfo* h = host_->FetchHostTimeInfo(request_flags | vst::kVstPpqPosValid | vst::kVstBarsValid);
  if (!h) return nullptr;
  time_info_ = *h;
  TimeInfo& ti = time_info_;
  // Signed: inside a call that began mid-block the block start lies before the call.
  const sample_clock offset = block_start_ - call_start_;
  ti.samplePos += static_cast<double>(offset);

  const bool want_ppq = (request_flags & vst::kVstPpqPosValid) != 0;
  const bool have_ppq = (ti.flags & vst::kVstPpqPosValid) && (ti.flags & vst::kVstTempoValid) &&
                        ti.tempo > 0.0 && sample_rate_ > 0.0f && std::isfinite(ti.ppqPos);
  if (want_ppq && have_ppq) {
    const double h = ti.tempo * 24.0 / (static_cast<double>(sample_rate_) * 60.0);
    const double f = ti.ppqPos * 24.0 + static_cast<double>(offset) * h;
    ti.ppqPos = f * (1.0 / 24.0);  // back from 24ths of a quarter note to quarter notes
    if (request_flags & vst::kVstBarsValid) {
      const bool sig_valid = (ti.flags & vst::kVstTimeSigValid) && ti.timeSigNumerator > 0 &&
                             ti.timeSigDenominator > 0;
      if (sig_valid) {
        const double bar = 4.0 * ti.timeSigNumerator / ti.timeSigDenominator;
        if ((ti.flags & vst::kVstBarsValid) && std::isfinite(ti.barStartPos)) {
          // Keep the host's bar grid; the shift is below a block, so at most a bar or two.
          double b = ti.barStartPos;
          for (int i = 0; i < 4 && ti.ppqPos < b; ++i) b -= bar;
          for (int i = 0; i < 4 && ti.ppqPos >= b + bar; ++i) b += bar;
          ti.barStartPos = b;
        } else {
          ti.barStartPos = std::floor(ti.ppqPos / bar) * bar;
        }
        ti.flags |= vst::kVstBarsValid;
      }
    }
    const double to_next = (std::floor(f) - f) / h;
    ti.samplesToNextClock =
        std::isfinite(to_next) ? static_cast<int32_t>(std::clamp(to_next, -2147483648.0, 0.0)) : 0;
    ti.flags |= vst::kVstPpqPosValid;
  }
  return &time_info_;
}

}  // namespace kv
