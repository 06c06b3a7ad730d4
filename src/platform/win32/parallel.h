// Work spread over the machine's processors, with threads of the system's
// own: the program's C++ runtime has none.
#pragma once

#include <functional>

namespace exitbutton::win32 {

// Runs work(0) .. work(count - 1) on as many threads as there are processors
// (this one among them), and returns when all are done. The first exception
// any of them throws is thrown again here.
void ParallelRun(int count, const std::function<void(int index)>& work);

}  // namespace exitbutton::win32
