// Replaces operator new, counting every call, and the deletes that free what it gives. The array
// forms reach it through the standard library; the aligned ones (and, under the sanitizer, which
// checks that each block goes back through the family it came from, the array ones) keep theirs.
#include "retained/allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

static std::atomic<std::size_t> allocations{0};

std::size_t testing_support::AllocationCount() {
    return allocations.load(std::memory_order_relaxed);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size) {
    void* p = operator new(size, std::nothrow);
    return p != nullptr ? p : throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
