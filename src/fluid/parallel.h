#pragma once

#include "export.h"

// Worker threads for the passes that split a fluid's grid into x-slabs (neighbour search,
// forces). Each pass writes only the particles of its own slabs, so results never depend on
// how many threads run.
namespace parallel {

// Threads a slab pass uses: 1 when multithreading is off, else the configured count, else as
// many as the machine offers.
UNDALINE_API int SlabThreads();
// "Use multithreading" switch (on by default).
UNDALINE_API void SetMultithreading(bool on);
UNDALINE_API bool Multithreading();
// Fixes the thread count (0: as many as the machine offers).
UNDALINE_API void SetThreadCount(int n);

// Runs body(x0, x1, slot) over [0, n) split into SlabThreads() consecutive ranges; slot 0 runs
// on the calling thread. Two threads give exactly the halves [0, n/2) and [n/2, n).
using SlabBody = void (*)(void* context, int x0, int x1, int slot);
UNDALINE_API void ForSlabs(int n, SlabBody body, void* context);
// The same; when a helper thread cannot be created the calling thread does the whole range
// alone, after the warning line naming thread_name (none when it is null).
UNDALINE_API void ForSlabs(int n, SlabBody body, void* context, const char* thread_name);

// Runs body(begin, end, slot) for every piece [bounds[p], bounds[p + 1]) of a fixed split,
// handing the pieces to the threads as they come free, so a thread slowed by other work on
// the machine takes fewer of them. Which thread runs a piece varies from run to run: a piece
// may write only its own data, and per-slot results must be combined in a way that does not
// depend on which slot saw what.
UNDALINE_API void ForPieces(const int* bounds, int pieces, SlabBody body, void* context,
                            const char* thread_name);

}  // namespace parallel
