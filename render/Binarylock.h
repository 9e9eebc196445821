#pragma once

#include <atomic>
#include <semaphore>

/// A binary semaphore with initial count 1 and maximum 1, used as the raster painter's lock.
/// The number of holders and waiters lives in an atomic, so an uncontended take or give costs no
/// system call (the painter gives and re-takes its lock between every two sub-rays); a contended
/// taker blocks on a std::binary_semaphore until the holder hands the lock over.
class BinaryLock {
public:
    /// Takes the lock, waiting without time-out.
    void Acquire() {
        if (users_.fetch_add(1, std::memory_order_acq_rel) > 0) {
            handOver_.acquire();
        }
    }
    /// Gives the lock back, handing it to one waiter if there is any.
    void Release() {
        if (users_.fetch_sub(1, std::memory_order_acq_rel) > 1) {
            handOver_.release();
        }
    }

private:
    std::atomic<int> users_ = 0;
    std::binary_semaphore handOver_{0};
};
