// One helper thread that runs a job while the caller does its own share of the work: start
// hands it the job, finish waits until it is done. The thread is made at the first job and
// waits, asleep, between jobs. In builds without threads (the Windows program's runtime, the
// web page) start runs the job at once, in the caller's thread.
#pragma once

#include <exception>
#include <functional>

#if (defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)) || \
    (defined(__GLIBCXX__) && !defined(_GLIBCXX_HAS_GTHREADS))
#define BRINDLE_HELPER_THREAD 0
#else
#define BRINDLE_HELPER_THREAD 1
#include <semaphore>
#include <thread>
#endif

namespace brindle {

class HelperThread {
  public:
    HelperThread() = default;
    ~HelperThread();
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;

    // Whether this build has threads and the machine more than one core.
    static bool worthwhile();

    // False when no thread could be made: the job is not run then.
    bool start(std::function<void()> job);
    // Waits for the job; an exception it threw is thrown again here.
    void finish();

  private:
    std::function<void()> job;
    std::exception_ptr failure;
#if BRINDLE_HELPER_THREAD
    void serve();

    std::binary_semaphore jobGiven{0};
    std::binary_semaphore jobDone{0};
    bool stopping = false;
    std::thread thread;
#endif
};

}  // namespace brindle
