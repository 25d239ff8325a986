#pragma once
// Long work off the interface thread: a pool of worker threads, batches whose results come
// back in the order of their inputs whatever order they finish in, cooperative cancel,
// progress, and exceptions carried back to whoever asks for the results.
//
// The desktop app runs a batch like this (the core never sees Qt; `post` is how the app
// gets calls back onto its own thread):
//
//   JobObserver obs;
//   obs.post = [window](std::function<void()> f) {
//     QMetaObject::invokeMethod(window, std::move(f), Qt::QueuedConnection);
//   };
//   obs.onProgress = [bar](const JobProgress& p) { bar->setValue(int(p.done)); };
//   obs.onFinished = [window](JobOutcome o) { window->ConversionDone(o); };
//   batch_ = RunEach(SharedPool(), files.size(),
//                    [files](std::size_t i, std::stop_token stop) { return Convert(files[i], stop); }, obs);
//
// Work gets copies or read-only snapshots of what it needs, never the open document; the
// results are applied on the interface thread (in onFinished, or after Wait()).
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace kipo {

// A fixed set of worker threads taking tasks first in, first out. The destructor lets the
// queued tasks finish, then joins the threads.
class WorkerPool {
 public:
  // 0 threads means one per hardware thread; there is always at least one.
  explicit WorkerPool(std::size_t threads = 0);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  std::size_t size() const { return threads_.size(); }
  // Queues a task. A task that throws is ended quietly (batches catch their own).
  void Post(std::function<void()> task);

 private:
  void Work(std::stop_token stop);
  std::mutex mutex_;
  std::condition_variable_any wake_;
  std::deque<std::function<void()>> queue_;
  std::vector<std::jthread> threads_;
};

// The pool the program shares: one thread per hardware thread.
WorkerPool& SharedPool();

struct JobProgress {
  std::size_t done = 0;
  std::size_t total = 0;
  std::string text;
};

enum class JobOutcome {
  Done,       // every item ran and none threw
  Failed,     // every item that ran finished, at least one threw
  Cancelled,  // cancelled before every item had run
};

// What a caller is told while the work runs. Each call goes through `post`, so it arrives
// on the caller's own thread (without `post` it is made on a worker thread). Progress calls
// arrive in order, `done` never going down; onFinished comes once, after the last progress.
struct JobObserver {
  std::function<void(std::function<void()>)> post;
  std::function<void(const JobProgress&)> onProgress;
  std::function<void(JobOutcome)> onFinished;
  // The progress text after item `index` finished (for example the file's name).
  std::function<std::string(std::size_t index)> describe;
};

// Thrown by Batch::Get when the batch was cancelled.
class JobCancelled : public std::runtime_error {
 public:
  JobCancelled() : std::runtime_error("The work was cancelled") {}
};

// One item's result: its value, or the exception it threw, or neither when cancel came
// before it ran.
template <class R>
struct JobItem {
  std::optional<R> value;
  std::exception_ptr error;
  bool skipped() const { return !value && !error; }
};

namespace detail {

// What the workers and the caller's handle share; it lives as long as either needs it.
class JobCore {
 public:
  JobCore(std::size_t total, JobObserver observer) : total_(total), observer_(std::move(observer)) {}

  std::stop_source& stop() { return stop_; }
  std::size_t total() const { return total_; }
  // Reports progress unless a report with a larger `done` was already sent.
  void Report(std::size_t done, std::size_t total, std::string text);
  // One more item finished.
  void ItemDone(std::size_t index);
  // Called by the last worker loop to leave: sends onFinished, then wakes Wait().
  void Finish(JobOutcome outcome);
  void Wait();
  bool finished() const { return finished_.load(); }

 private:
  void Post(std::function<void()> call);
  const std::size_t total_;
  JobObserver observer_;
  std::stop_source stop_;
  std::mutex reportMutex_;
  std::size_t reported_ = 0;
  std::size_t itemsDone_ = 0;
  bool anyReport_ = false;
  std::mutex waitMutex_;
  std::condition_variable cv_;
  std::atomic<bool> finished_{false};
};

template <class R>
struct BatchState {
  BatchState(std::size_t n, JobObserver o) : core(n, std::move(o)), items(n) {}
  JobCore core;
  std::vector<JobItem<R>> items;  // each written by one worker only, read after Finish
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> loops{0};
  std::atomic<bool> anyError{false};
};

}  // namespace detail

// The caller's handle on running work. Destroying it cancels what has not started and
// waits for the items that are running, so work may refer to the caller's data as long as
// the handle lives. Never Wait() on a pool thread: with a pool of one it would wait forever.
template <class R>
class Batch {
 public:
  Batch() = default;
  explicit Batch(std::shared_ptr<detail::BatchState<R>> s) : s_(std::move(s)) {}
  Batch(Batch&&) noexcept = default;
  Batch& operator=(Batch&& other) noexcept {
    if (this != &other) {
      Release();
      s_ = std::move(other.s_);
    }
    return *this;
  }
  ~Batch() { Release(); }

  // Items not yet started are skipped; running items see their stop token set.
  void Cancel() {
    if (s_) s_->core.stop().request_stop();
  }
  bool Finished() const { return !s_ || s_->core.finished(); }
  // Every item's result, in input order, once all have finished or been skipped.
  const std::vector<JobItem<R>>& Wait() {
    static const std::vector<JobItem<R>> none;
    if (!s_) return none;
    s_->core.Wait();
    return s_->items;
  }
  // The values in input order. Throws the first exception (by input order) an item threw,
  // or JobCancelled when items were skipped.
  std::vector<R> Get() {
    const auto& items = Wait();
    for (const JobItem<R>& i : items)
      if (i.error) std::rethrow_exception(i.error);
    std::vector<R> out;
    out.reserve(items.size());
    for (const JobItem<R>& i : items) {
      if (!i.value) throw JobCancelled();
      out.push_back(*i.value);
    }
    return out;
  }

 private:
  void Release() {
    if (!s_) return;
    s_->core.stop().request_stop();
    s_->core.Wait();
    s_.reset();
  }
  std::shared_ptr<detail::BatchState<R>> s_;
};

// Runs work(index, stop_token) for every index in [0, count) on the pool; returns at once.
// A progress report follows each finished item. An item that throws does not stop the
// others; Cancel() does.
template <class F>
auto RunEach(WorkerPool& pool, std::size_t count, F work, JobObserver observer = {})
    -> Batch<std::invoke_result_t<F&, std::size_t, std::stop_token>> {
  using R = std::invoke_result_t<F&, std::size_t, std::stop_token>;
  static_assert(!std::is_void_v<R>, "work returns a value (a bool or a status will do)");
  auto state = std::make_shared<detail::BatchState<R>>(count, std::move(observer));
  if (count == 0) {
    state->core.Finish(JobOutcome::Done);
    return Batch<R>(state);
  }
  auto shared = std::make_shared<F>(std::move(work));
  // A few loops that each take the next index, rather than one task per item: cancel
  // then stops at the next item, and a long queue of items never builds up in the pool.
  std::size_t loops = std::min(count, pool.size());
  state->loops = loops;
  for (std::size_t l = 0; l < loops; ++l) {
    pool.Post([state, shared] {
      std::stop_token stop = state->core.stop().get_token();
      for (;;) {
        if (stop.stop_requested()) break;
        std::size_t i = state->next.fetch_add(1);
        if (i >= state->core.total()) break;
        try {
          state->items[i].value.emplace((*shared)(i, stop));
        } catch (...) {
          state->items[i].error = std::current_exception();
          state->anyError = true;
        }
        state->core.ItemDone(i);
      }
      if (state->loops.fetch_sub(1) == 1) {
        bool skipped = false;
        for (const auto& item : state->items) skipped |= item.skipped();
        state->core.Finish(skipped          ? JobOutcome::Cancelled
                           : state->anyError ? JobOutcome::Failed
                                             : JobOutcome::Done);
      }
    });
  }
  return Batch<R>(state);
}

// What a single long job sees: its stop token and a way to report its own progress.
class JobContext {
 public:
  explicit JobContext(detail::JobCore& core) : core_(core), stop_(core.stop().get_token()) {}
  const std::stop_token& stop() const { return stop_; }
  bool cancelled() const { return stop_.stop_requested(); }
  // A report with a smaller `done` than one already sent is dropped.
  void Report(std::size_t done, std::size_t total, std::string text = {}) {
    core_.Report(done, total, std::move(text));
  }

 private:
  detail::JobCore& core_;
  std::stop_token stop_;
};

// Runs one job, work(JobContext&) -> value, on the pool; it reports its own progress.
template <class F>
auto RunJob(WorkerPool& pool, F work, JobObserver observer = {}) -> Batch<std::invoke_result_t<F&, JobContext&>> {
  using R = std::invoke_result_t<F&, JobContext&>;
  static_assert(!std::is_void_v<R>, "work returns a value (a bool or a status will do)");
  auto state = std::make_shared<detail::BatchState<R>>(1, std::move(observer));
  state->loops = 1;
  auto shared = std::make_shared<F>(std::move(work));
  pool.Post([state, shared] {
    JobContext ctx(state->core);
    if (!ctx.cancelled()) {
      try {
        state->items[0].value.emplace((*shared)(ctx));
      } catch (...) {
        state->items[0].error = std::current_exception();
      }
    }
    JobItem<R>& item = state->items[0];
    state->core.Finish(item.skipped() ? JobOutcome::Cancelled : item.error ? JobOutcome::Failed : JobOutcome::Done);
  });
  return Batch<R>(state);
}

}  // namespace kipo
