#include "fluid/record_allocator_private.h"

#include <cstdlib>
#include <new>

#include <sys/mman.h>

struct RecordAllocator::Slab {
    Slab* next;
    alignas(std::max_align_t) unsigned char data[1];
};

RecordAllocator::RecordAllocator(size_t record_size)
    : record_size_((record_size + alignof(std::max_align_t) - 1) &
                   ~(alignof(std::max_align_t) - 1)) {
    if (record_size_ < sizeof(FreeRecord)) record_size_ = sizeof(FreeRecord);
    per_slab_ = (kSlabBytes - offsetof(Slab, data)) / record_size_;
}

RecordAllocator::~RecordAllocator() {
    while (slabs_) {
        Slab* next = slabs_->next;
        std::free(slabs_);
        slabs_ = next;
    }
}

bool RecordAllocator::Grow() {
    // Slabs are 2 MiB, aligned so the kernel can back each with one large page: passes that
    // visit particles in space order rather than memory order then miss the TLB far less.
    void* raw = std::aligned_alloc(kSlabBytes, kSlabBytes);
    if (!raw) return false;
#ifdef MADV_HUGEPAGE
    madvise(raw, kSlabBytes, MADV_HUGEPAGE);
#endif
    Slab* slab = static_cast<Slab*>(raw);
    slab->next = slabs_;
    slabs_ = slab;
    // Thread the free list in address order, so consecutive records are adjacent.
    for (size_t i = per_slab_; i-- > 0;) {
        auto* r = reinterpret_cast<FreeRecord*>(slab->data + i * record_size_);
        r->next = free_;
        free_ = r;
    }
    return true;
}

void* RecordAllocator::Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!free_ && !Grow()) return nullptr;
    FreeRecord* r = free_;
    free_ = r->next;
    ++live_;
    return r;
}

void RecordAllocator::Give(void* record) {
    if (!record) return;
    std::lock_guard<std::mutex> lock(mutex_);
    auto* r = static_cast<FreeRecord*>(record);
    r->next = free_;
    free_ = r;
    --live_;
}

size_t RecordAllocator::Live() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return live_;
}
