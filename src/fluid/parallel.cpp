#include "fluid/parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace parallel {
namespace {

std::atomic<bool> g_multithreading{true};
std::atomic<int> g_thread_count{0};

// Persistent helpers, so a pass costs a wake-up, not a thread creation.
class Workers {
public:
    ~Workers() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        for (auto& t : threads_) t.join();
    }

    void Run(int threads, int n, SlabBody body, void* context) {
        std::lock_guard<std::mutex> one_pass(pass_mutex_);
        Grow(threads - 1);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            body_ = body;
            context_ = context;
            n_ = n;
            slots_ = threads;
            pending_ = threads - 1;
            ++generation_;
        }
        wake_.notify_all();
        body(context, 0, Bound(0, n, threads), 0);
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [&] { return pending_ == 0; });
    }

private:
    static int Bound(int slot, int n, int slots) {
        return static_cast<int>(static_cast<long long>(n) * (slot + 1) / slots);
    }

    void Grow(int helpers) {
        while (static_cast<int>(threads_.size()) < helpers) {
            int slot = static_cast<int>(threads_.size()) + 1;
            threads_.emplace_back([this, slot] { Loop(slot); });
        }
    }

    void Loop(int slot) {
        unsigned long seen = 0;
        for (;;) {
            SlabBody body;
            void* context;
            int n, slots;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [&] { return quit_ || generation_ != seen; });
                if (quit_) return;
                seen = generation_;
                if (slot >= slots_) continue;
                body = body_;
                context = context_;
                n = n_;
                slots = slots_;
            }
            int x0 = static_cast<int>(static_cast<long long>(n) * slot / slots);
            body(context, x0, Bound(slot, n, slots), slot);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                --pending_;
            }
            done_.notify_one();
        }
    }

    std::mutex pass_mutex_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::vector<std::thread> threads_;
    SlabBody body_ = nullptr;
    void* context_ = nullptr;
    int n_ = 0;
    int slots_ = 0;
    int pending_ = 0;
    unsigned long generation_ = 0;
    bool quit_ = false;
};

Workers& TheWorkers() {
    static Workers workers;
    return workers;
}

}  // namespace

int SlabThreads() {
    if (!g_multithreading.load()) return 1;
    int n = g_thread_count.load();
    if (n <= 0) n = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(n, 1, 64);
}

void SetMultithreading(bool on) { g_multithreading.store(on); }
bool Multithreading() { return g_multithreading.load(); }
void SetThreadCount(int n) { g_thread_count.store(n); }

void ForSlabs(int n, SlabBody body, void* context) {
    int threads = SlabThreads();
    if (threads > n) threads = n > 0 ? n : 1;
    if (threads <= 1) {
        body(context, 0, n, 0);
        return;
    }
    TheWorkers().Run(threads, n, body, context);
}

}  // namespace parallel
