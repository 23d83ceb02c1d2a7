#include "render/game_look/helper_thread.h"

#include <system_error>
#include <utility>

namespace brindle {

#if BRINDLE_HELPER_THREAD

bool HelperThread::worthwhile() {
    return std::thread::hardware_concurrency() >= 2;
}

HelperThread::~HelperThread() {
    if (thread.joinable()) {
        stopping = true;
        jobGiven.release();
        thread.join();
    }
}

bool HelperThread::start(std::function<void()> work) {
    if (!thread.joinable()) {
        try {
            thread = std::thread([this] { serve(); });
        } catch (const std::system_error&) {
            return false;
        }
    }
    job = std::move(work);
    failure = nullptr;
    jobGiven.release();
    return true;
}

void HelperThread::finish() {
    jobDone.acquire();
    if (failure) {
        std::rethrow_exception(std::exchange(failure, nullptr));
    }
}

void HelperThread::serve() {
    for (;;) {
        jobGiven.acquire();
        if (stopping) {
            return;
        }
        try {
            job();
        } catch (...) {
            failure = std::current_exception();
        }
        jobDone.release();
    }
}

#else

bool HelperThread::worthwhile() {
    return false;
}

HelperThread::~HelperThread() = default;

// Without threads the job runs at once, in the caller's thread.
bool HelperThread::start(std::function<void()> work) {
    job = std::move(work);
    try {
        job();
    } catch (...) {
        failure = std::current_exception();
    }
    return true;
}

void HelperThread::finish() {
    if (failure) {
        std::rethrow_exception(std::exchange(failure, nullptr));
    }
}

#endif

}  // namespace brindle
