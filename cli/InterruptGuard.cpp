#include "cli/InterruptGuard.h"

#include <atomic>
#include <csignal>

namespace cli {

namespace {

// Set from a signal handler, so it cannot live in an object.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void onSignal(int) { interrupted.store(true); }

}  // namespace

InterruptGuard::InterruptGuard()
#ifdef SIGHUP
    : signals_{SIGINT, SIGTERM, SIGHUP}
#else
    : signals_{SIGINT, SIGTERM}
#endif
{
    interrupted.store(false);
    for (const int s : signals_)
        saved_.push_back(std::signal(s, onSignal));
}

InterruptGuard::~InterruptGuard()
{
    for (std::size_t i = 0; i < signals_.size(); ++i)
        std::signal(signals_[i], saved_[i]);
}

bool InterruptGuard::stopRequested() { return interrupted.load(); }

}  // namespace cli
