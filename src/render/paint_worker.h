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

    // Runs `theirs` on the worker's thread and `mine` on the caller's, and returns when both are
    // done (also when `mine` throws); what either threw is thrown here.
    template <class Mine>
    void share(std::function<void()> theirs, Mine&& mine) {
        start(std::move(theirs));
        try {
            mine();
        } catch (...) {
            wait();
            throw;
        }
        wait();
    }

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

    void start(std::function<void()> task);
    void wait();
    void run();
};

}  // namespace korvane::render
