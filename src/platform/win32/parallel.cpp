#include "platform/win32/parallel.h"

#include <windows.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

namespace exitbutton::win32 {
namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using ScopedThread = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

// What the threads share: the next index to take and the first failure.
struct Run {
    Run(const std::function<void(int)>& work, int count) : work(work), count(count) {
        InitializeCriticalSection(&failureLock);
    }
    ~Run() { DeleteCriticalSection(&failureLock); }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    const std::function<void(int)>& work;
    const int count;
    volatile LONG next = 0;
    std::exception_ptr failure;
    CRITICAL_SECTION failureLock;
};

void TakeIndices(Run& run) {
    for (;;) {
        const int index = static_cast<int>(InterlockedIncrement(&run.next)) - 1;
        if (index >= run.count) return;
        try {
            run.work(index);
        } catch (...) {
            EnterCriticalSection(&run.failureLock);
            if (!run.failure) run.failure = std::current_exception();
            LeaveCriticalSection(&run.failureLock);
        }
    }
}

DWORD WINAPI Worker(void* data) {
    TakeIndices(*static_cast<Run*>(data));
    return 0;
}

int ProcessorCount() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return std::max(1, static_cast<int>(info.dwNumberOfProcessors));
}

}  // namespace

void ParallelRun(int count, const std::function<void(int index)>& work) {
    if (count <= 0) return;
    Run run(work, count);
    std::vector<ScopedThread> helpers;
    const int helperCount = std::min(count, ProcessorCount()) - 1;
    helpers.reserve(static_cast<std::size_t>(std::max(helperCount, 0)));  // no throw once a thread runs
    for (int i = 0; i < helperCount; ++i) {
        // A thread the system cannot make leaves its share to the others.
        if (HANDLE thread = CreateThread(nullptr, 0, Worker, &run, 0, nullptr)) helpers.emplace_back(thread);
    }
    TakeIndices(run);
    for (const ScopedThread& thread : helpers) WaitForSingleObject(thread.get(), INFINITE);
    if (run.failure) std::rethrow_exception(run.failure);
}

}  // namespace exitbutton::win32
