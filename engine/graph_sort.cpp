#include "engine/graph_sort.h"

#include <algorithm>

#include "engine/kv_exception.h"
#include "engine/ug_base.h"

namespace kv {

namespace {

constexpr int32_t kUnnumbered = -1;
constexpr int32_t kQueued = -2;

int32_t Step(const ug_base* u, int32_t base) { return base + ((u->flags & UGF_SORT_FIRST) ? 200 : 0); }

// Calls f(destination owner) for every connection leaving u, plugs last to first.
template <typename F>
void ForEachDownstream(ug_base* u, F&& f) {
  for (auto p = u->plugs.rbegin(); p != u->plugs.rend(); ++p)
    for (Connection* c : (*p)->connections)
      if (c->source == *p)
        if (f(c->destination->owner)) return;
}

template <typename F>
void ForEachUpstream(ug_base* u, F&& f) {
  for (auto p = u->plugs.rbegin(); p != u->plugs.rend(); ++p)
    for (Connection* c : (*p)->connections)
      if (c->destination == *p) f(c->source->owner);
}

// Largest order among the numbered destinations (-1 when none).
int32_t MaxDownstream(ug_base* u, bool* pending) {
  int32_t best = -1;
  ForEachDownstream(u, [&](ug_base* d) {
    if (d->sort_order >= 0)
      best = std::max(best, d->sort_order);
    else if (pending)
      *pending = true;
    return false;
  });
  return best;
}

}  // namespace

void SortGraph(const std::vector<ug_base*>& all) {
  std::vector<ug_base*> work(all);
  std::vector<ug_base*> path;
  std::vector<ug_base*> second;
  for (;;) {
    std::erase_if(work, [](const ug_base* u) { return u->sort_order >= 0; });
    if (work.empty()) return;

    // Walk downstream from the first unnumbered unit generator to one with nothing
    // unnumbered below it (or to the element that closes a loop).
    path.clear();
    ug_base* v = work.front();
    v->sort_order = kQueued;
    path.push_back(v);
    for (;;) {
      ug_base* next = nullptr;
      ForEachDownstream(v, [&](ug_base* d) {
        if (d->sort_order == kUnnumbered) {
          next = d;
          return true;
        }
        return false;
      });
      if (!next) break;
      next->sort_order = kQueued;
      path.push_back(next);
      v = next;
    }
    // Loop members on the path count as unnumbered (they are not numbered yet).
    const int32_t below = MaxDownstream(v, nullptr);
    for (ug_base* u : path) u->sort_order = kUnnumbered;
    v->sort_order = Step(v, below < 0 ? 0 : below + 1);

    // Its sources, nearest first.
    second.clear();
    ForEachUpstream(v, [&](ug_base* s) {
      if (s == v) throw KvException(KvException::kFeedback, v, v);
      if (s->sort_order == kUnnumbered) {
        s->sort_order = kQueued;
        second.push_back(s);
      } else if (s->sort_order >= 0 && s->sort_order < v->sort_order) {
        throw KvException(KvException::kFeedback, v, s);
      }
    });

    for (std::size_t i = 0; i < second.size(); ++i) {
      ug_base* w = second[i];
      bool pending = false;
      const int32_t below_w = MaxDownstream(w, &pending);
      if (pending) {
        w->sort_order = kUnnumbered;  // queued again when another destination gets numbered
        continue;
      }
      w->sort_order = Step(w, below_w + 4);
      ug_base* last_numbered = nullptr;
      int32_t lowest = INT32_MAX;
      bool self = false;
      ForEachUpstream(w, [&](ug_base* s) {
        if (s == w) {
          self = true;
        } else if (s->sort_order == kUnnumbered) {
          s->sort_order = kQueued;
          second.push_back(s);
        } else if (s->sort_order >= 0) {
          last_numbered = s;
          lowest = std::min(lowest, s->sort_order);
        }
      });
      if (self) throw KvException(KvException::kFeedback, w, w);
      if (last_numbered && lowest < w->sort_order)
        throw KvException(KvException::kFeedback, w, last_numbered);
    }
  }
}

}  // namespace kv
