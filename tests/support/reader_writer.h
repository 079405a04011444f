#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace halvera::test {

// Runs a writer thread for `writes` steps and a reader thread for `reads` steps on one store.
// The writes are spread over the reader's run: write n waits until the reader has begun read
// n * reads / writes, so each write lands while reads are under way. Left free, one thread
// tends to finish before the other has begun and the two never meet.
inline void RunReaderAndWriter(int writes, int reads, const std::function<void(int)>& write,
                               const std::function<void(int)>& read) {
    std::atomic<int> readsBegun{0};
    std::thread writer([&] {
        for (int n = 0; n < writes; ++n) {
            while (readsBegun.load() <= n * (reads / writes)) {
                std::this_thread::yield();
            }
            write(n);
        }
    });
    std::thread reader([&] {
        for (int i = 0; i < reads; ++i) {
            readsBegun.store(i + 1);
            read(i);
        }
    });
    writer.join();
    reader.join();
}

}  // namespace halvera::test
