#pragma once

#include <cstddef>
#include <mutex>

// Fixed-size records carved from large slabs and recycled through a free list. Particles
// and springs live here, so records created together sit together in memory and creating
// or removing one never reaches the general heap in the steady state.
class RecordAllocator {
public:
    explicit RecordAllocator(size_t record_size);
    ~RecordAllocator();
    RecordAllocator(const RecordAllocator&) = delete;
    RecordAllocator& operator=(const RecordAllocator&) = delete;

    // Null when memory is exhausted.
    void* Take();
    void Give(void* record);
    size_t Live() const;

private:
    struct Slab;
    struct FreeRecord {
        FreeRecord* next;
    };
    bool Grow();

    static constexpr size_t kSlabBytes = 2 * 1024 * 1024;

    size_t record_size_;
    size_t per_slab_;
    Slab* slabs_ = nullptr;
    FreeRecord* free_ = nullptr;
    size_t live_ = 0;
    // Records are made on the simulation thread and, while it is stopped, the interface
    // thread; mesh and force workers never create or free them. The lock is uncontended.
    mutable std::mutex mutex_;
};
