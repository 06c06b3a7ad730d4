#include "platform/win32/background_work.h"

#include <process.h>

#include <utility>

namespace exitbutton::win32 {

ThreadWork::ThreadWork(std::function<void()> work) : work_(std::move(work)) {
    // _beginthreadex rather than CreateThread: the work uses the C runtime.
    thread_.reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &ThreadWork::Run, this, 0, nullptr)));
    if (!thread_) run();
}

// Never leaves the thread running on a destroyed object, whatever unwinds.
ThreadWork::~ThreadWork() { join(); }

void ThreadWork::wait() {
    join();
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

unsigned __stdcall ThreadWork::Run(void* self) {
    static_cast<ThreadWork*>(self)->run();
    return 0;
}

void ThreadWork::run() noexcept {
    try {
        work_();
    } catch (...) {
        failure_ = std::current_exception();
    }
}

// The wait also makes everything the thread wrote visible to this one.
void ThreadWork::join() noexcept {
    if (!thread_) return;
    WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
}

}  // namespace exitbutton::win32
