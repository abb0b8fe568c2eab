// Work items prepared on several threads and handed, in their order, to one
// consumer thread: the slides of a deck are decoded and colour-mapped on
// worker threads, started as the consumer finds itself waiting, while the
// library, which runs on one thread, takes them one by one.
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

    // Items 0 to count - 1, on up to `threads` threads; each thread calls
    // makePreparer once, on itself, so that the preparer can keep buffers and
    // per-thread settings. One thread starts; another joins whenever the
    // consumer finds an item after the first not ready, so that items quick
    // to prepare do not pay for threads they do not need. At most `window`
    // items are prepared ahead of the consumer; their slots are reused,
    // buffers and all.
    OrderedWork(size_t count, unsigned threads, size_t window, std::function<Preparer()> makePreparer)
        : count_(count), slots_(window < 1 ? 1 : window), ready_(slots_.size(), kNone),
          maxThreads_(threads < 1 ? 1 : threads), makePreparer_(std::move(makePreparer)) {
        AddThread();
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
        if (ready_[at] != consumed_ && consumed_ > 0 && threads_.size() < maxThreads_ &&
            claimed_ < count_)
            AddThread();
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

    // Only the consumer's thread adds threads.
    void AddThread() {
        threads_.emplace_back([this] { Run(makePreparer_()); });
    }

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
    const size_t maxThreads_;
    const std::function<Preparer()> makePreparer_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> threads_;
};

}  // namespace quillon_tools
