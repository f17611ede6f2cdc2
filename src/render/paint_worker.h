#pragma once
// A second thread for the renderer. A large frame is painted in two bands at once, one on the
// caller's thread and one here, so that a whole county's view uses both cores.
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace korvane::render {

class PaintWorker {
public:
    PaintWorker();
    ~PaintWorker();
    PaintWorker(const PaintWorker&) = delete;
    PaintWorker& operator=(const PaintWorker&) = delete;

    // Runs `task` on the worker's thread; one task at a time, each followed by wait().
    void start(std::function<void()> task);
    // Waits for the task started last; what it threw is thrown here.
    void wait();

    // Whether the machine has a second core to give the worker.
    static bool worthwhile();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> task_;
    bool busy_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::thread thread_;

    void run();
};

}  // namespace korvane::render
