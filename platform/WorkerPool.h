#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A few threads that run tasks while the thread that hands them out goes
// on, and waits for them where it must, still doing its own chores (a
// progress report) at a steady pace. Tasks must not throw.
class WorkerPool {
public:
    // Tasks that are waited for together. Lives on the waiting thread's
    // stack, so it must be waited for before it goes.
    class Batch {
        friend class WorkerPool;
        int pending_ = 0;
    };

    explicit WorkerPool(int threads);
    // Runs what is still queued, then ends the threads.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void Run(Batch& batch, std::function<void()> task);
    // Runs task only when fewer than limit tasks of batch are waiting or
    // running; never waits.
    bool RunIfFewer(Batch& batch, int limit, std::function<void()> task);

    // Returns once no more than atMost tasks of batch are left to run,
    // calling whileWaiting every interval meanwhile.
    void Wait(Batch& batch, std::chrono::milliseconds interval,
              const std::function<void()>& whileWaiting, int atMost = 0);

    // How many threads copy files at once.
    static int ThreadsForFiles();

private:
    struct Task {
        Batch* batch;
        std::function<void()> work;
    };

    void Work();

    std::mutex lock_;
    std::condition_variable queued_;
    std::condition_variable done_;
    std::deque<Task> tasks_;
    bool ending_ = false;
    std::vector<std::thread> threads_;
};
