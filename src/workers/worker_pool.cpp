#include "workers/worker_pool.h"

#include <algorithm>
#include <chrono>

WorkerPool::WorkerPool(int count) {
  for (int i = 0; i < std::max(1, count); ++i) threads.emplace_back([this] { work(); });
}

WorkerPool::~WorkerPool() {
  stop();
}

int WorkerPool::threadsForMachine() {
  // One core stays with the GUI thread and the renderer.
  return std::clamp(int(std::thread::hardware_concurrency()) - 1, 1, 4);
}

void WorkerPool::submit(std::function<void()> job, int priority) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (stopping) return;
    jobs.push({priority, submitted++, std::move(job)});
  }
  wake.notify_one();
}

void WorkerPool::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    stopping = true;
    jobs = {};
  }
  wake.notify_all();
  for (std::thread& thread : threads)
    if (thread.joinable()) thread.join();
  threads.clear();
}

bool WorkerPool::stopped() const {
  std::lock_guard<std::mutex> lock(mutex);
  return stopping;
}

void WorkerPool::work() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock<std::mutex> lock(mutex);
      wake.wait(lock, [&] { return stopping || !jobs.empty(); });
      if (stopping) return;
      job = std::move(const_cast<Job&>(jobs.top()).run);
      jobs.pop();
    }
    job();
  }
}

void ResultQueue::post(std::function<void()> delivery) {
  // Notified under the lock: a waiter that wakes may destroy the queue.
  std::lock_guard<std::mutex> lock(mutex);
  deliveries.push_back(std::move(delivery));
  arrived.notify_all();
}

int ResultQueue::drain() {
  std::vector<std::function<void()>> arrivedNow;
  {
    std::lock_guard<std::mutex> lock(mutex);
    arrivedNow.swap(deliveries);
  }
  for (std::function<void()>& delivery : arrivedNow) delivery();
  return int(arrivedNow.size());
}

void ResultQueue::discard() {
  std::lock_guard<std::mutex> lock(mutex);
  deliveries.clear();
}

bool ResultQueue::waitFor(double seconds) {
  std::unique_lock<std::mutex> lock(mutex);
  return arrived.wait_for(lock, std::chrono::duration<double>(seconds),
                          [&] { return !deliveries.empty(); });
}
