// Heap accounting for the allocation test: this program replaces malloc and
// its relatives and every form of operator new, so that every allocation in
// the process, the module's included, passes through here. Allocations are
// counted only while counting is on.
#pragma once

#include <cstddef>

namespace hardening {

struct HeapCount {
    size_t allocations;  // malloc, calloc, realloc, aligned forms and operator new
    void* first_caller;  // return address of the first counted allocation, or null
};

void heap_counting(bool on);
bool heap_counting();
HeapCount heap_count();
void heap_count_reset();

// Turns counting off for its lifetime (the host's own work inside a module
// callback), then back to what it was.
class HeapCountingPaused {
public:
    HeapCountingPaused() : was_(heap_counting()) { heap_counting(false); }
    ~HeapCountingPaused() { heap_counting(was_); }
    HeapCountingPaused(const HeapCountingPaused&) = delete;
    HeapCountingPaused& operator=(const HeapCountingPaused&) = delete;

private:
    bool was_;
};

}  // namespace hardening
