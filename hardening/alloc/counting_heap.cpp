// The replacement allocator: glibc's own entry points do the work; these
// only count. Replacing the functions in the program makes them the ones the
// dynamic linker binds for every library loaded later, the module too.
#include "hardening/alloc/counting_heap.h"

#include <cerrno>
#include <cstdlib>
#include <new>

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace hardening {
namespace {
bool counting = false;
HeapCount count = {};

inline void note(void* caller) {
    if (!counting) return;
    if (count.allocations++ == 0) count.first_caller = caller;
}
}  // namespace

void heap_counting(bool on) { counting = on; }
bool heap_counting() { return counting; }
HeapCount heap_count() { return count; }
void heap_count_reset() { count = {}; }

}  // namespace hardening

using hardening::note;

extern "C" {

void* malloc(size_t size) {
    note(__builtin_return_address(0));
    return __libc_malloc(size);
}

void* calloc(size_t n, size_t size) {
    note(__builtin_return_address(0));
    return __libc_calloc(n, size);
}

void* realloc(void* p, size_t size) {
    note(__builtin_return_address(0));
    return __libc_realloc(p, size);
}

void* memalign(size_t alignment, size_t size) {
    note(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
    note(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size) {
    note(__builtin_return_address(0));
    void* p = __libc_memalign(alignment, size);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}

void free(void* p) { __libc_free(p); }

}  // extern "C"

namespace {
void* new_block(size_t size, void* caller) {
    note(caller);
    void* p = __libc_malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}
void* new_aligned(size_t size, std::align_val_t alignment, void* caller) {
    note(caller);
    void* p = __libc_memalign(size_t(alignment), size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}
}  // namespace

void* operator new(size_t size) { return new_block(size, __builtin_return_address(0)); }
void* operator new[](size_t size) { return new_block(size, __builtin_return_address(0)); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    note(__builtin_return_address(0));
    return __libc_malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    note(__builtin_return_address(0));
    return __libc_malloc(size ? size : 1);
}
void* operator new(size_t size, std::align_val_t a) { return new_aligned(size, a, __builtin_return_address(0)); }
void* operator new[](size_t size, std::align_val_t a) { return new_aligned(size, a, __builtin_return_address(0)); }
void operator delete(void* p) noexcept { __libc_free(p); }
void operator delete[](void* p) noexcept { __libc_free(p); }
void operator delete(void* p, size_t) noexcept { __libc_free(p); }
void operator delete[](void* p, size_t) noexcept { __libc_free(p); }
void operator delete(void* p, std::align_val_t) noexcept { __libc_free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { __libc_free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { __libc_free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { __libc_free(p); }
