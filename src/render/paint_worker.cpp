#include "render/paint_worker.h"

#include <utility>

namespace korvane::render {

PaintWorker::PaintWorker() : thread_([this] { run(); }) {}

PaintWorker::~PaintWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

bool PaintWorker::worthwhile() { return std::thread::hardware_concurrency() >= 2; }

void PaintWorker::start(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        task_ = std::move(task);
        busy_ = true;
        failure_ = nullptr;
    }
    changed_.notify_all();
}

void PaintWorker::wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void PaintWorker::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || task_; });
        if (stopping_) return;
        std::function<void()> task = std::move(task_);
        task_ = nullptr;
        lock.unlock();
        std::exception_ptr failure;
        try {
            task();
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        failure_ = failure;
        busy_ = false;
        changed_.notify_all();
    }
}

}  // namespace korvane::render
