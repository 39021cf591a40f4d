#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <queue>
#include <thread>
#include <vector>

// A few threads running jobs by priority (lower first; equal ones in the
// order given). stop() drops the jobs not begun and waits for the running.
class WorkerPool {
 public:
  explicit WorkerPool(int threads);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Ignored once stopped.
  void submit(std::function<void()> job, int priority = 0);
  void stop();
  bool stopped() const;
  // Workers for this machine.
  static int threadsForMachine();

 private:
  struct Job {
    int priority;
    uint64_t order;
    std::function<void()> run;
    bool operator<(const Job& other) const {  // the queue's top is the next to run
      return priority != other.priority ? priority > other.priority : order > other.order;
    }
  };
  void work();

  mutable std::mutex mutex;
  std::condition_variable wake;
  std::priority_queue<Job> jobs;
  uint64_t submitted = 0;
  bool stopping = false;
  std::vector<std::thread> threads;
};

// Deliveries from workers to the GUI thread, run there by drain().
class ResultQueue {
 public:
  void post(std::function<void()> delivery);
  // Runs what has arrived; returns how many.
  int drain();
  // Drops what has arrived without running it.
  void discard();
  // Blocks until something arrives or the time passes; true when something
  // is waiting.
  bool waitFor(double seconds);

 private:
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<std::function<void()>> deliveries;
};

// Work that a worker or the thread needing it runs, whichever comes first:
// get() takes the result, running the work itself when no worker has begun
// it and waiting when one has.
template <class T>
class Deferred {
 public:
  explicit Deferred(std::function<T()> work) : work(std::move(work)) {}

  // The worker's side; nothing when it was claimed or cancelled already.
  void run() {
    if (!claim()) return;
    T made = work();
    std::lock_guard<std::mutex> lock(mutex);
    result = std::move(made);
    state = Done;
    done.notify_all();
  }
  T get() {
    if (claim()) {
      T made = work();
      std::lock_guard<std::mutex> lock(mutex);
      state = Taken;
      return made;
    }
    std::unique_lock<std::mutex> lock(mutex);
    done.wait(lock, [&] { return state != Running; });
    state = Taken;
    return std::move(result);
  }
  bool isDone() {
    std::lock_guard<std::mutex> lock(mutex);
    return state == Done;
  }
  bool isRunning() {
    std::lock_guard<std::mutex> lock(mutex);
    return state == Running;
  }
  // A worker that reaches it afterwards skips it.
  void cancel() {
    std::lock_guard<std::mutex> lock(mutex);
    if (state == Queued) state = Taken;
  }

 private:
  enum State { Queued, Running, Done, Taken };
  bool claim() {
    std::lock_guard<std::mutex> lock(mutex);
    if (state != Queued) return false;
    state = Running;
    return true;
  }
  std::function<T()> work;
  std::mutex mutex;
  std::condition_variable done;
  State state = Queued;
  T result{};
};
