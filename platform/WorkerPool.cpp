#include "platform/WorkerPool.h"

#include <algorithm>

WorkerPool::WorkerPool(int threads) {
    threads_.reserve(size_t(threads));
    for (int i = 0; i < threads; ++i)
        threads_.emplace_back([this] { Work(); });
}

WorkerPool::~WorkerPool() {
    {
        const std::lock_guard<std::mutex> guard(lock_);
        ending_ = true;
    }
    queued_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void WorkerPool::Run(Batch& batch, std::function<void()> task) {
    {
        const std::lock_guard<std::mutex> guard(lock_);
        ++batch.pending_;
        tasks_.push_back({&batch, std::move(task)});
    }
    queued_.notify_one();
}

bool WorkerPool::RunIfFewer(Batch& batch, int limit, std::function<void()> task) {
    {
        const std::lock_guard<std::mutex> guard(lock_);
        if (batch.pending_ >= limit)
            return false;
        ++batch.pending_;
        tasks_.push_back({&batch, std::move(task)});
    }
    queued_.notify_one();
    return true;
}

void WorkerPool::Wait(Batch& batch, std::chrono::milliseconds interval,
                      const std::function<void()>& whileWaiting, int atMost) {
    std::unique_lock<std::mutex> guard(lock_);
    while (batch.pending_ > atMost) {
        if (done_.wait_for(guard, interval, [&] { return batch.pending_ <= atMost; }))
            break;
        guard.unlock();
        whileWaiting();
        guard.lock();
    }
}

int WorkerPool::ThreadsForFiles() {
    // One per processor; more only wait on the same folders and journal.
    const int processors = int(std::thread::hardware_concurrency());
    return std::clamp(processors, 2, 4);
}

void WorkerPool::Work() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        queued_.wait(guard, [this] { return ending_ || !tasks_.empty(); });
        if (tasks_.empty())
            return;
        Task task = std::move(tasks_.front());
        tasks_.pop_front();
        guard.unlock();
        task.work();
        guard.lock();
        --task.batch->pending_;
        done_.notify_all();
    }
}
