// The test binary's own operator new and delete (malloc and free), with two
// hooks: the largest allocation while watched, and one allocation that fails.
#pragma once

#include <atomic>
#include <cstddef>

namespace quillon::test {

// While watchAllocations is set, largestAllocation keeps the largest size
// asked for, on any thread.
extern std::atomic<bool> watchAllocations;
extern std::atomic<size_t> largestAllocation;

// The nth allocation of this thread from now on fails with std::bad_alloc
// (the nothrow forms return null), once; then allocations succeed again.
// Failed() tells whether it happened to a throwing form: a nothrow form's
// null is the caller's to handle, and std::stable_sort, for one, sorts
// without its buffer then.
class FailingAllocation {
public:
    explicit FailingAllocation(long n);
    ~FailingAllocation();
    FailingAllocation(const FailingAllocation &) = delete;
    FailingAllocation &operator=(const FailingAllocation &) = delete;
    static bool Failed();
    // The failing allocation came, in either form.
    static bool Came();
};

}  // namespace quillon::test
