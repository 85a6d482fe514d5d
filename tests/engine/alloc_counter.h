#pragma once
// Counts the heap allocations made by the current thread while counting is on. Linking
// alloc_counter.cpp replaces the global allocation functions: one test program each.
namespace kv::test {
void StartCountingAllocations();
long StopCountingAllocations();  // answers the allocations since the start
}  // namespace kv::test
