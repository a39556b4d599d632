#include "fluid/parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/messages.h"
#include "platform/threads.h"

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

    // False, with nothing run, when the helpers cannot all be had.
    bool Run(int threads, int n, SlabBody body, void* context) {
        std::lock_guard<std::mutex> one_pass(pass_mutex_);
        if (!Grow(threads - 1)) return false;
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
        return true;
    }

private:
    static int Bound(int slot, int n, int slots) {
        return static_cast<int>(static_cast<long long>(n) * (slot + 1) / slots);
    }

    bool Grow(int helpers) {
        while (static_cast<int>(threads_.size()) < helpers) {
            int slot = static_cast<int>(threads_.size()) + 1;
            std::thread helper;
            if (!platform::StartThread(&helper, [this, slot] { Loop(slot); })) return false;
            threads_.push_back(std::move(helper));
        }
        return true;
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

void ForSlabs(int n, SlabBody body, void* context) { ForSlabs(n, body, context, nullptr); }

void ForSlabs(int n, SlabBody body, void* context, const char* thread_name) {
    int threads = SlabThreads();
    if (threads > n) threads = n > 0 ? n : 1;
    if (threads > 1 && TheWorkers().Run(threads, n, body, context)) return;
    // No helper could be had: this thread does the whole range, which gives the same result.
    if (threads > 1 && thread_name) Warning(thread_name);
    body(context, 0, n, 0);
}

void ForPieces(const int* bounds, int pieces, SlabBody body, void* context,
               const char* thread_name) {
    if (pieces <= 0) return;
    struct Shared {
        const int* bounds;
        int pieces;
        SlabBody body;
        void* context;
        std::atomic<int> next{0};
    } shared{bounds, pieces, body, context};
    // One range per thread; each takes pieces until none is left, so the calling thread alone
    // (when no helper could be had) still runs them all.
    ForSlabs(
        std::min(SlabThreads(), pieces),
        [](void* c, int, int, int slot) {
            auto* s = static_cast<Shared*>(c);
            for (int p = s->next.fetch_add(1); p < s->pieces; p = s->next.fetch_add(1)) {
                s->body(s->context, s->bounds[p], s->bounds[p + 1], slot);
            }
        },
        &shared, thread_name);
}

}  // namespace parallel
