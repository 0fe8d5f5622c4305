// The replacement operator new and delete of the handler test program.
// Replacing them in the program also replaces them for the modules it
// loads, so the handler's own allocations fail when asked to.
#include "FailingAllocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> failing{false};

void* Allocate(std::size_t size)
{
    if (failing.load(std::memory_order_relaxed))
        throw std::bad_alloc();
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void* TryAllocate(std::size_t size) noexcept
{
    if (failing.load(std::memory_order_relaxed))
        return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}
}  // namespace

namespace handlertest {
TFailingAllocation::TFailingAllocation() { failing = true; }
TFailingAllocation::~TFailingAllocation() { failing = false; }
}  // namespace handlertest

// Every form is replaced, so that whatever form allocates, the matching
// delete frees it (a sanitizer checks that they match).
void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return TryAllocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return TryAllocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
