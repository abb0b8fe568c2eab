// Work items prepared on several threads and handed, in their order, to one
// consumer thread: the slides of a deck are decoded and colour-mapped on
// every core while the library, which runs on one thread, takes them one by
// one.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace quillon_tools {

template <typename Slot>
class OrderedWork {
public:
    // Prepares the items of one thread: fills slot for item index.
    using Preparer = std::function<void(size_t index, Slot &slot)>;

    // Items 0 to count - 1, on `threads` threads; each thread calls
    // makePreparer once, on itself, so that the preparer can keep buffers and
    // per-thread settings. At most `window` items are prepared ahead of the
    // consumer; their slots are reused, buffers and all.
    OrderedWork(size_t count, unsigned threads, size_t window, std::function<Preparer()> makePreparer)
        : count_(count), slots_(window < 1 ? 1 : window), ready_(slots_.size(), kNone) {
        if (threads < 1) threads = 1;
        for (unsigned t = 0; t < threads; ++t)
            threads_.emplace_back([this, makePreparer] { Run(makePreparer()); });
    }

    ~OrderedWork() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        for (std::thread &t : threads_) t.join();
    }

    OrderedWork(const OrderedWork &) = delete;
    OrderedWork &operator=(const OrderedWork &) = delete;

    // Waits for the next item in order and lends its slot until Release.
    Slot &Next() {
        std::unique_lock<std::mutex> lock(mutex_);
        size_t at = consumed_ % slots_.size();
        changed_.wait(lock, [&] { return ready_[at] == consumed_; });
        return slots_[at];
    }

    // Gives the slot of the current item back for a later item.
    void Release() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ready_[consumed_ % slots_.size()] = kNone;
            ++consumed_;
        }
        changed_.notify_all();
    }

private:
    static constexpr size_t kNone = static_cast<size_t>(-1);

    void Run(const Preparer &prepare) {
        for (;;) {
            size_t index;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] {
                    return stop_ || claimed_ >= count_ || claimed_ < consumed_ + slots_.size();
                });
                if (stop_ || claimed_ >= count_) return;
                index = claimed_++;
            }
            prepare(index, slots_[index % slots_.size()]);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                ready_[index % slots_.size()] = index;
            }
            changed_.notify_all();
        }
    }

    const size_t count_;
    std::vector<Slot> slots_;
    std::vector<size_t> ready_;  // per slot: the item it holds, once prepared
    size_t claimed_ = 0;         // the next item a thread takes
    size_t consumed_ = 0;        // the item the consumer is at
    bool stop_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> threads_;
};

}  // namespace quillon_tools
