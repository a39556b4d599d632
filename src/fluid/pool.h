#pragma once

#include <cstdint>

#include "export.h"

// Per-step memory pools.
//
// Everything a fluid builds during one step (grid, cell lists, neighbour arrays, face lists)
// is carved from bump-allocating pools of 1 MiB blocks and released all at once by rewinding
// the pool at the end of the step. Nothing is freed piecemeal and nothing is heap-allocated
// per particle: after the busiest step a simulation has all the blocks it will ever need, and
// later steps reuse them in the same order.
//
// The operations act on the current pool. Each thread has its own current pool setting, so
// worker threads of a pass can carve from pools of their own; on a single thread this is the
// one process-wide setting callers expect.

constexpr int kPoolBlockSize = 1048576;

struct MemBlock {
    MemBlock* next;
    uint8_t* start;
    uint8_t* cur;
    uint8_t* end;  // start + kPoolBlockSize
};

struct MemPool {
    MemBlock* first;
    MemBlock* current;
    char name[32];
    int blocks;    // blocks added after the first
    int switches;  // block changes since the last rewind
};

// Creates a pool with one block and makes it current.
UNDALINE_API MemPool* AllocInit(const char* name);
// Creates one block and counts it in the current pool.
UNDALINE_API MemBlock* AllocHdr();
// size bytes (rounded up to a multiple of 4) from the current pool. A block serves a request
// only when it does not fill it to the last byte; otherwise the next block, rewound or new.
UNDALINE_API void* Alloc(int size);
// Makes pool current and returns the pool that was current.
UNDALINE_API MemPool* AllocSetPool(MemPool* pool);
// Rewinds the current pool to its first block; later blocks are rewound when reached again.
UNDALINE_API void AllocReset();
// Frees every block of the current pool and the pool itself; no pool is current afterwards.
UNDALINE_API void AllocFreePool();

// Bytes handed out by the pool since its last rewind, and blocks it holds (for checks).
UNDALINE_API long long PoolBytesInUse(const MemPool* pool);
UNDALINE_API int PoolBlockCount(const MemPool* pool);
