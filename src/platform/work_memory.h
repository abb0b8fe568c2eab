// Memory for the writer's large working arrays (one entry per placement or
// per tag), which live only while a movie is written.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

namespace quillon {

// Blocks from 2 MiB up come straight from the system in whole huge pages
// where it offers them (Linux transparent huge pages): a write of a long
// movie then touches a few large pages instead of thousands of small ones,
// each of which costs a fault. Smaller blocks, and every block on other
// systems or under a memory checker, come from operator new. Throws
// std::bad_alloc like operator new.
void *AllocateWork(std::size_t bytes);
// Returns a block from AllocateWork; bytes as asked for.
void FreeWork(void *block, std::size_t bytes) noexcept;

template <class T>
struct WorkAllocator {
    using value_type = T;
    WorkAllocator() = default;
    template <class U>
    WorkAllocator(const WorkAllocator<U> &) noexcept {}
    T *allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
        return static_cast<T *>(AllocateWork(n * sizeof(T)));
    }
    void deallocate(T *p, std::size_t n) noexcept { FreeWork(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const WorkAllocator<U> &) const noexcept { return true; }
    template <class U>
    bool operator!=(const WorkAllocator<U> &) const noexcept { return false; }
};

template <class T>
using WorkVector = std::vector<T, WorkAllocator<T>>;

}  // namespace quillon
