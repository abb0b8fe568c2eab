// The test binary's allocator: malloc and free behind every form of operator
// new and delete (std::stable_sort takes its buffer with the nothrow form and
// gives it back with the plain one), so that all of them allocate and free
// alike, with the hooks of allocation_hook.h.
#include "support/allocation_hook.h"

#include <cstdlib>
#include <new>

namespace quillon::test {

std::atomic<bool> watchAllocations{false};
std::atomic<size_t> largestAllocation{0};

namespace {
thread_local long allocationsLeft = 0;  // 0: none fails
thread_local bool failed = false;        // the failing allocation came
thread_local bool thrown = false;        // and was a throwing one
}  // namespace

FailingAllocation::FailingAllocation(long n) {
    failed = false;
    thrown = false;
    allocationsLeft = n;
}

FailingAllocation::~FailingAllocation() { allocationsLeft = 0; }

bool FailingAllocation::Failed() { return thrown; }

bool FailingAllocation::Came() { return failed; }

namespace {

void *AllocateOrNull(size_t size) noexcept {
    if (watchAllocations && size > largestAllocation) largestAllocation = size;
    if (allocationsLeft > 0 && --allocationsLeft == 0) {
        failed = true;
        return nullptr;
    }
    return std::malloc(size ? size : 1);
}

void *Allocate(size_t size) {
    bool before = failed;
    if (void *p = AllocateOrNull(size)) return p;
    thrown = failed && !before;
    throw std::bad_alloc();
}

}  // namespace
}  // namespace quillon::test

void *operator new(size_t size) { return quillon::test::Allocate(size); }
void *operator new[](size_t size) { return quillon::test::Allocate(size); }
void *operator new(size_t size, const std::nothrow_t &) noexcept { return quillon::test::AllocateOrNull(size); }
void *operator new[](size_t size, const std::nothrow_t &) noexcept { return quillon::test::AllocateOrNull(size); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, size_t) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete[](void *p, size_t) noexcept { std::free(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { std::free(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { std::free(p); }
