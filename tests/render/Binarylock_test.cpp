#include "render/Binarylock.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

TEST(BinaryLock, ExcludesConcurrentHolders) {
    BinaryLock lock;
    long long counter = 0; // deliberately not atomic: only the lock protects it
    int inside = 0;
    bool overlapped = false;
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                lock.Acquire();
                overlapped = overlapped || ++inside != 1;
                ++counter;
                --inside;
                lock.Release();
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_FALSE(overlapped);
    EXPECT_EQ(counter, static_cast<long long>(kThreads) * kRounds);
}
