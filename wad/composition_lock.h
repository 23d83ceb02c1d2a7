// The lock that guards texture composition when several threads read one archive. Some
// runtimes Brindle is built for have no threads at all (the Windows program's, which has no
// std::mutex); there nothing can run at the same time, so the lock does nothing.
#pragma once

#include <mutex>

namespace brindle {

#if !defined(__GLIBCXX__) || defined(_GLIBCXX_HAS_GTHREADS)
using CompositionLock = std::mutex;
#else
struct CompositionLock {
    void lock() {}
    void unlock() {}
};
#endif

}  // namespace brindle
