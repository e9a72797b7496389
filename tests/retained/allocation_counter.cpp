// Replaces the global operator new and delete of the program it is linked into, every form of
// them (libraries under the draw code use the aligned and nothrow ones, and the sanitizers check
// that each block goes back through the family it came from), counting every new.
#include "retained/allocation_counter.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> allocations{0};

void* Allocate(std::size_t size, std::size_t alignment = 0) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    size = std::max<std::size_t>(size, 1);
    return alignment <= alignof(std::max_align_t)
               ? std::malloc(size)
               : std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
}

void* AllocateOrThrow(std::size_t size, std::size_t alignment = 0) {
    void* p = Allocate(size, alignment);
    return p != nullptr ? p : throw std::bad_alloc();
}

}  // namespace

std::size_t testing_support::AllocationCount() {
    return allocations.load(std::memory_order_relaxed);
}

using std::align_val_t, std::nothrow_t, std::size_t;
// One form a line:
// clang-format off
void* operator new(size_t n) { return AllocateOrThrow(n); }
void* operator new[](size_t n) { return AllocateOrThrow(n); }
void* operator new(size_t n, const nothrow_t&) noexcept { return Allocate(n); }
void* operator new[](size_t n, const nothrow_t&) noexcept { return Allocate(n); }
void* operator new(size_t n, align_val_t a) { return AllocateOrThrow(n, size_t(a)); }
void* operator new[](size_t n, align_val_t a) { return AllocateOrThrow(n, size_t(a)); }
void* operator new(size_t n, align_val_t a, const nothrow_t&) noexcept { return Allocate(n, size_t(a)); }
void* operator new[](size_t n, align_val_t a, const nothrow_t&) noexcept { return Allocate(n, size_t(a)); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, align_val_t) noexcept { std::free(p); }
void operator delete(void* p, size_t, align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t, align_val_t) noexcept { std::free(p); }
void operator delete(void* p, align_val_t, const nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, align_val_t, const nothrow_t&) noexcept { std::free(p); }
// clang-format on
