#include "tests/engine/alloc_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

// The replacements below pair malloc with free on purpose.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
thread_local bool tl_counting = false;
std::atomic<long> g_allocations{0};
void Note() {
  if (tl_counting) g_allocations.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

void* operator new(std::size_t n) {
  Note();
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, std::align_val_t a) {
  Note();
  std::size_t al = static_cast<std::size_t>(a);
  if (void* p = std::aligned_alloc(al, (n + al - 1) / al * al)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n, std::align_val_t a) { return operator new(n, a); }
// The nothrow forms too (std::stable_sort's buffer uses them): every form must pair with
// the deletes below.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  Note();
  return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
  Note();
  std::size_t al = static_cast<std::size_t>(a);
  return std::aligned_alloc(al, (n + al - 1) / al * al);
}
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t& t) noexcept {
  return operator new(n, a, t);
}
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);
extern "C" void* malloc(std::size_t n) {
  Note();
  return __libc_malloc(n);
}
extern "C" void* calloc(std::size_t n, std::size_t m) {
  Note();
  return __libc_calloc(n, m);
}
extern "C" void* realloc(void* p, std::size_t n) {
  Note();
  return __libc_realloc(p, n);
}
#endif

namespace kv::test {
void StartCountingAllocations() {
  g_allocations.store(0);
  tl_counting = true;
}
long StopCountingAllocations() {
  tl_counting = false;
  return g_allocations.load();
}
}  // namespace kv::test
