#include "fluid/record_allocator.h"

#include <cstdlib>
#include <new>

struct RecordAllocator::Slab {
    Slab* next;
    alignas(std::max_align_t) unsigned char data[1];
};

RecordAllocator::RecordAllocator(size_t record_size, size_t per_slab)
    : record_size_((record_size + alignof(std::max_align_t) - 1) &
                   ~(alignof(std::max_align_t) - 1)),
      per_slab_(per_slab) {
    if (record_size_ < sizeof(FreeRecord)) record_size_ = sizeof(FreeRecord);
}

RecordAllocator::~RecordAllocator() {
    while (slabs_) {
        Slab* next = slabs_->next;
        std::free(slabs_);
        slabs_ = next;
    }
}

bool RecordAllocator::Grow() {
    void* raw = std::malloc(offsetof(Slab, data) + record_size_ * per_slab_);
    if (!raw) return false;
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
