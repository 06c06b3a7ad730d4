// Work on a thread of its own, for the program's one piece of parallel work:
// drawing the face while its window is being made.
#pragma once

#include <exception>
#include <functional>

#include "platform/platform.h"
#include "platform/win32/handles.h"

namespace exitbutton::win32 {

class ThreadWork final : public BackgroundWork {
public:
    // Starts `work` on a new thread; if none can be had, does it here.
    explicit ThreadWork(std::function<void()> work);
    ~ThreadWork() override;
    ThreadWork(const ThreadWork&) = delete;
    ThreadWork& operator=(const ThreadWork&) = delete;

    void wait() override;

private:
    static unsigned __stdcall Run(void* self);
    void run() noexcept;
    void join() noexcept;

    std::function<void()> work_;
    std::exception_ptr failure_;  // what the work threw, handed over by wait()
    ScopedHandle thread_;
};

}  // namespace exitbutton::win32
