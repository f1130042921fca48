#include "extract/TaskThread.h"

namespace hotaru {

TaskThread::TaskThread() : thread_([this] { loop(); }) {}

TaskThread::~TaskThread()
{
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void TaskThread::run(const std::function<void()>& task)
{
    std::unique_lock lock(mutex_);
    task_ = &task;
    done_ = false;
    error_ = nullptr;
    wake_.notify_all();
    wake_.wait(lock, [this] { return done_; });
    if (error_)
        std::rethrow_exception(error_);
}

void TaskThread::loop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || task_ != nullptr; });
        if (task_ == nullptr)
            return;
        const std::function<void()>* task = task_;
        task_ = nullptr;
        lock.unlock();
        std::exception_ptr error;
        try {
            (*task)();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        error_ = error;
        done_ = true;
        wake_.notify_all();
    }
}

}  // namespace hotaru
