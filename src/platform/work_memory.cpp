// Large working blocks: anonymous mappings aligned to and advised for huge
// pages on Linux, operator new elsewhere.
#include "platform/work_memory.h"

#include <cstdint>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLON_WORK_CHECKED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QUILLON_WORK_CHECKED 1
#endif

// A memory checker sees blocks from operator new only.
#if defined(__linux__) && !defined(QUILLON_WORK_CHECKED)
#include <sys/mman.h>
#define QUILLON_WORK_MAPPED 1
#endif

namespace quillon {

namespace {

constexpr std::size_t kHugePage = std::size_t(1) << 21;

#ifdef QUILLON_WORK_MAPPED
bool Mapped(std::size_t bytes) { return bytes >= kHugePage; }
std::size_t Rounded(std::size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }
#endif

}  // namespace

void *AllocateWork(std::size_t bytes) {
#ifdef QUILLON_WORK_MAPPED
    if (Mapped(bytes)) {
        std::size_t size = Rounded(bytes);
        if (size < bytes || size + kHugePage < size) throw std::bad_alloc();
        // Map one huge page more than needed and give back the ends that
        // stick out of the aligned range.
        void *raw = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw == MAP_FAILED) throw std::bad_alloc();
        auto start = reinterpret_cast<std::uintptr_t>(raw);
        std::uintptr_t aligned = (start + kHugePage - 1) & ~static_cast<std::uintptr_t>(kHugePage - 1);
        if (aligned > start) munmap(raw, aligned - start);
        std::size_t tail = kHugePage - (aligned - start);
        if (tail > 0) munmap(reinterpret_cast<void *>(aligned + size), tail);
        // Only advice: without huge pages the block works the same.
        madvise(reinterpret_cast<void *>(aligned), size, MADV_HUGEPAGE);
        return reinterpret_cast<void *>(aligned);
    }
#endif
    return ::operator new(bytes);
}

void FreeWork(void *block, std::size_t bytes) noexcept {
    if (block == nullptr) return;
#ifdef QUILLON_WORK_MAPPED
    if (Mapped(bytes)) {
        munmap(block, Rounded(bytes));
        return;
    }
#else
    (void)bytes;
#endif
    ::operator delete(block);
}

}  // namespace quillon
