#pragma once

#include <functional>
#include <thread>

#include "export.h"

namespace platform {

// Starts *thread running body. False, with nothing started and *thread left as it was, when
// the system cannot create a thread: callers carry on without it instead of ending the program.
UNDALINE_API bool StartThread(std::thread* thread, std::function<void()> body);

// For tests: the next `count` thread creations fail as if the system had refused them.
UNDALINE_API void FailThreadCreations(int count);

}  // namespace platform
