#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace hotaru {

// A thread of its own that runs one task at a time for a caller that waits.
// It keeps the scheduling of the thread that created it: a worker that lowers
// itself to idle priority afterwards still starts the converter from here, so
// the converter does not inherit a priority that an ordinary user cannot undo.
class TaskThread {
public:
    TaskThread();
    ~TaskThread();
    TaskThread(const TaskThread&) = delete;
    TaskThread& operator=(const TaskThread&) = delete;

    // Runs `task` there and returns when it is done; what it throws is rethrown here.
    void run(const std::function<void()>& task);

private:
    void loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    const std::function<void()>* task_ = nullptr;
    bool done_ = false;
    bool quit_ = false;
    std::exception_ptr error_;
    std::thread thread_;  // last: starts once the rest exists
};

}  // namespace hotaru
