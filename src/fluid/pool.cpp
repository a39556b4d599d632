#include "fluid/pool.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "platform/format.h"
#include "platform/message_box.h"

namespace {

thread_local MemPool* t_current = nullptr;

[[noreturn]] void Fatal(const char* text) {
    platform::MessageBox(platform::Format("\n%s\n", text).c_str(), "Undaline",
                         platform::kIconExclamation, platform::kButtonsOk);
    std::exit(1);
}

MemBlock* NewBlock() {
    MemBlock* b = new (std::nothrow) MemBlock;
    uint8_t* data = b ? new (std::nothrow) uint8_t[kPoolBlockSize] : nullptr;
    if (!data) {
        delete b;
        return nullptr;
    }
    b->next = nullptr;
    b->start = data;
    b->cur = data;
    b->end = data + kPoolBlockSize;
    return b;
}

}  // namespace

MemPool* AllocInit(const char* name) {
    MemPool* pool = new (std::nothrow) MemPool;
    MemBlock* block = pool ? NewBlock() : nullptr;
    if (!block) {
        delete pool;
        Fatal("Out of memory in AllocInit");
    }
    pool->first = block;
    pool->current = block;
    platform::CopyText(pool->name, sizeof pool->name, name);
    pool->blocks = 0;
    pool->switches = 0;
    t_current = pool;
    return pool;
}

MemBlock* AllocHdr() {
    MemBlock* block = NewBlock();
    if (!block) Fatal("Out of memory in AllocHdr");
    if (t_current) ++t_current->blocks;
    return block;
}

void* Alloc(int size) {
    MemPool* pool = t_current;
    if (!pool) Fatal("Alloc - current memory pool is not initialised");
    if (size > kPoolBlockSize) Fatal("Alloc - requested block is bigger than allowed block size");
    if (size < 0) size = 0;
    size = (size + 3) & ~3;
    MemBlock* block = pool->current;
    if (block->cur + size < block->end) {
        void* p = block->cur;
        block->cur += size;
        return p;
    }
    if (block->next) {
        block = block->next;
        block->cur = block->start;
    } else {
        MemBlock* fresh = AllocHdr();
        block->next = fresh;
        block = fresh;
    }
    pool->current = block;
    ++pool->switches;
    void* p = block->cur;
    block->cur += size;
    return p;
}

MemPool* AllocSetPool(MemPool* pool) {
    MemPool* previous = t_current;
    t_current = pool;
    return previous;
}

void AllocReset() {
    MemPool* pool = t_current;
    if (!pool) return;
    pool->current = pool->first;
    pool->first->cur = pool->first->start;
    pool->switches = 0;
}

void AllocFreePool() {
    MemPool* pool = t_current;
    if (!pool) return;
    for (MemBlock* b = pool->first; b;) {
        MemBlock* next = b->next;
        delete[] b->start;
        delete b;
        b = next;
    }
    delete pool;
    t_current = nullptr;
}

long long PoolBytesInUse(const MemPool* pool) {
    if (!pool) return 0;
    long long used = 0;
    for (const MemBlock* b = pool->first; b; b = b->next) {
        used += b->cur - b->start;
        if (b == pool->current) break;
    }
    return used;
}

int PoolBlockCount(const MemPool* pool) {
    int n = 0;
    for (const MemBlock* b = pool ? pool->first : nullptr; b; b = b->next) ++n;
    return n;
}
