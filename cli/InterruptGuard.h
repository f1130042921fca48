#pragma once

#include <vector>

namespace cli {

// While one lives, Ctrl+C and friends stop the run the way the window's stop
// does: the copy under way is dropped with its temporary file, the converter
// is ended. The signals' earlier handlers come back when it goes.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // A signal came since the guard was made.
    static bool stopRequested();

private:
    std::vector<int> signals_;
    std::vector<void (*)(int)> saved_;
};

}  // namespace cli
