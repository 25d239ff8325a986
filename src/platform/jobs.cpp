#include "platform/jobs.h"

#include <algorithm>

namespace kipo {

WorkerPool::WorkerPool(std::size_t threads) {
  if (threads == 0) threads = std::thread::hardware_concurrency();
  threads = std::max<std::size_t>(threads, 1);
  threads_.reserve(threads);
  for (std::size_t i = 0; i < threads; ++i) threads_.emplace_back([this](std::stop_token stop) { Work(stop); });
}

WorkerPool::~WorkerPool() {
  for (auto& t : threads_) t.request_stop();
  wake_.notify_all();
  threads_.clear();  // joins; the workers empty the queue first
}

void WorkerPool::Post(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(task));
  }
  wake_.notify_one();
}

void WorkerPool::Work(std::stop_token stop) {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock lock(mutex_);
      // The stop token wakes the wait; the queue is still emptied before the thread ends.
      wake_.wait(lock, stop, [this] { return !queue_.empty(); });
      if (queue_.empty()) return;
      task = std::move(queue_.front());
      queue_.pop_front();
    }
    try {
      task();
    } catch (...) {
      // A task's failure is its own business; the thread stays for the next one.
    }
  }
}

WorkerPool& SharedPool() {
  static WorkerPool pool;
  return pool;
}

namespace detail {

void JobCore::Post(std::function<void()> call) {
  if (observer_.post) observer_.post(std::move(call));
  else call();
}

void JobCore::Report(std::size_t done, std::size_t total, std::string text) {
  if (!observer_.onProgress) return;
  // Reports are posted while the lock is held, so they reach the owner in the order of
  // their counts even when two workers finish at once.
  std::lock_guard lock(reportMutex_);
  if (anyReport_ && done < reported_) return;
  anyReport_ = true;
  reported_ = done;
  Post([cb = observer_.onProgress, p = JobProgress{done, total, std::move(text)}] { cb(p); });
}

void JobCore::ItemDone(std::size_t index) {
  std::string text;
  if (observer_.describe) {
    try {
      text = observer_.describe(index);
    } catch (...) {
    }
  }
  if (!observer_.onProgress) return;
  std::lock_guard lock(reportMutex_);
  std::size_t done = ++itemsDone_;
  if (anyReport_ && done < reported_) return;
  anyReport_ = true;
  reported_ = done;
  Post([cb = observer_.onProgress, p = JobProgress{done, total_, std::move(text)}] { cb(p); });
}

void JobCore::Finish(JobOutcome outcome) {
  if (observer_.onFinished) {
    // After every progress report: taking the report lock orders it behind them.
    std::lock_guard lock(reportMutex_);
    Post([cb = observer_.onFinished, outcome] { cb(outcome); });
  }
  {
    std::lock_guard lock(waitMutex_);
    finished_ = true;
  }
  cv_.notify_all();
}

void JobCore::Wait() {
  std::unique_lock lock(waitMutex_);
  cv_.wait(lock, [this] { return finished_.load(); });
}

}  // namespace detail
}  // namespace kipo
