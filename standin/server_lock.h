// The server's one lock. The server lives in the free-threaded apartment: COM runs each call on
// the RPC thread it arrives on, without the hop to a window's message loop that an apartment
// thread costs on every call. The object model, the engine's workbooks, the lifetime's counts and
// the journal are not made for threads, so every way into them (each method of each COM object,
// the class object, and the main thread's checks on the lifetime) takes this lock: calls run
// one at a time, in the order they take it, as they did on a single apartment thread.
//
// The lock is held only in the server's own code: COM unpacks arguments before a call and packs
// its result after it, outside the lock. Recursive, because a call releases objects of its own.
#pragma once

#include <mutex>

namespace zelmo::standin {

inline std::recursive_mutex& ServerLock() {
    static std::recursive_mutex lock;
    return lock;
}

using ServerGuard = std::lock_guard<std::recursive_mutex>;

}  // namespace zelmo::standin
