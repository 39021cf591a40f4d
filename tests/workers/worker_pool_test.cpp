#include "workers/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>

namespace {

// A job that holds its worker until released, so the queue behind it
// fills in a known order.
struct Gate {
  std::promise<void> entered, release;
  std::shared_future<void> opened{release.get_future().share()};
  std::function<void()> job() {
    return [this] {
      entered.set_value();
      opened.wait();
    };
  }
};

TEST(WorkerPool, RunsQueuedJobsByPriorityThenOrder) {
  std::string order;  // written by the one worker only
  ResultQueue results;
  WorkerPool pool(1);
  Gate gate;
  pool.submit(gate.job());
  gate.entered.get_future().wait();
  const std::pair<char, int> jobs[] = {{'c', 2}, {'a', 0}, {'d', 2}, {'b', 1}};
  for (auto [name, priority] : jobs)
    pool.submit([&, name = name] { order += name, results.post([] {}); }, priority);
  gate.release.set_value();
  int delivered = 0;
  while (delivered < 4)
    if (results.waitFor(60)) delivered += results.drain();
  EXPECT_EQ(order, "abcd");
}

TEST(WorkerPool, StopDropsJobsNotBegunAndWaitsForTheRunning) {
  WorkerPool pool(1);
  Gate gate;
  std::atomic<bool> runningFinished{false}, queuedRan{false};
  pool.submit([&] {
    gate.job()();
    runningFinished = true;
  });
  pool.submit([&] { queuedRan = true; });
  gate.entered.get_future().wait();
  std::thread releaser([&] {
    while (!pool.stopped()) std::this_thread::yield();
    gate.release.set_value();
  });
  pool.stop();
  releaser.join();
  EXPECT_TRUE(runningFinished);
  EXPECT_FALSE(queuedRan);
  pool.submit([&] { queuedRan = true; });  // refused once stopped
  EXPECT_TRUE(pool.stopped());
  EXPECT_FALSE(queuedRan);
}

TEST(Deferred, GetRunsTheWorkItselfUnlessAWorkerBeganItAndCancelledWorkNeverRuns) {
  std::atomic<int> runs{0};
  Deferred<int> task([&] { return ++runs * 7; }), cancelled([&] { return ++runs; });
  EXPECT_EQ(task.get(), 7);
  task.run();  // the worker coming late does nothing
  cancelled.cancel();
  cancelled.run();
  EXPECT_EQ(runs, 1);

  // Work a worker has begun is waited for, not run twice.
  Gate gate;
  auto begun = std::make_shared<Deferred<int>>([&] {
    gate.job()();
    return ++runs * 10;
  });
  WorkerPool pool(2);
  pool.submit([begun] { begun->run(); });
  gate.entered.get_future().wait();
  EXPECT_FALSE(begun->isDone());
  std::thread releaser([&] { gate.release.set_value(); });
  EXPECT_EQ(begun->get(), 20);
  releaser.join();
}

}  // namespace
