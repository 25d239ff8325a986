#include "platform/jobs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <random>

namespace kipo {
namespace {

using namespace std::chrono_literals;

// Stands in for the interface thread: posted calls queue up and run when it drains them,
// so every callback can be checked to run on the owner's thread, in order.
struct Owner {
  std::mutex m;
  std::vector<std::function<void()>> calls;
  std::thread::id id = std::this_thread::get_id();
  std::vector<JobProgress> progress;
  std::vector<JobOutcome> finished;
  bool wrongThread = false;

  JobObserver Observer() {
    JobObserver o;
    o.post = [this](std::function<void()> f) {
      std::lock_guard lock(m);
      calls.push_back(std::move(f));
    };
    o.onProgress = [this](const JobProgress& p) {
      wrongThread |= std::this_thread::get_id() != id;
      progress.push_back(p);
    };
    o.onFinished = [this](JobOutcome r) {
      wrongThread |= std::this_thread::get_id() != id;
      finished.push_back(r);
    };
    return o;
  }
  void Drain() {
    std::vector<std::function<void()>> now;
    {
      std::lock_guard lock(m);
      now.swap(calls);
    }
    for (auto& f : now) f();
  }
  // Progress only climbs, and the finish call comes once, after the last of it.
  void ExpectOrdered(std::size_t total) {
    EXPECT_FALSE(wrongThread);
    for (std::size_t i = 1; i < progress.size(); ++i) EXPECT_LT(progress[i - 1].done, progress[i].done) << i;
    for (const JobProgress& p : progress) EXPECT_EQ(p.total, total);
    EXPECT_EQ(finished.size(), 1u);
  }
};

constexpr std::size_t kPoolSizes[] = {1, 2, 8};

TEST(Jobs, ResultsComeBackInInputOrderWhateverOrderTheyFinishIn) {
  for (std::size_t threads : kPoolSizes) {
    SCOPED_TRACE(threads);
    WorkerPool pool(threads);
    EXPECT_EQ(pool.size(), threads);
    Owner owner;
    JobObserver obs = owner.Observer();
    obs.describe = [](std::size_t i) { return "file " + std::to_string(i); };
    std::mutex m;
    std::vector<std::size_t> finishOrder;
    auto batch = RunEach(
        pool, 120,
        [&](std::size_t i, std::stop_token) {
          thread_local std::mt19937 rng(std::hash<std::thread::id>{}(std::this_thread::get_id()));
          std::this_thread::sleep_for(std::chrono::microseconds(rng() % 1500));
          std::lock_guard lock(m);
          finishOrder.push_back(i);
          return std::to_string(i * i);
        },
        obs);
    std::vector<std::string> got = batch.Get();
    ASSERT_EQ(got.size(), 120u);
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], std::to_string(i * i));
    owner.Drain();
    owner.ExpectOrdered(120);
    ASSERT_EQ(owner.progress.size(), 120u);
    EXPECT_EQ(owner.progress.back().done, 120u);
    EXPECT_EQ(owner.progress.back().text.rfind("file ", 0), 0u);
    EXPECT_EQ(owner.finished[0], JobOutcome::Done);
    EXPECT_EQ(finishOrder.size(), 120u);
  }
}

TEST(Jobs, CancelSkipsTheRestStopsRunningItemsAndSaysCancelled) {
  for (std::size_t threads : kPoolSizes) {
    SCOPED_TRACE(threads);
    WorkerPool pool(threads);
    Owner owner;
    std::atomic<int> started{0};
    auto batch = RunEach(
        pool, 10000,
        [&](std::size_t i, std::stop_token stop) {
          ++started;
          // Item 3 runs until it is told to stop, as a long conversion would.
          while (i == 3 && !stop.stop_requested()) std::this_thread::sleep_for(100us);
          std::this_thread::sleep_for(50us);
          return i;
        },
        owner.Observer());
    while (started < 4) std::this_thread::sleep_for(100us);
    batch.Cancel();
    const auto& items = batch.Wait();
    EXPECT_TRUE(batch.Finished());
    std::size_t ran = 0;
    for (const auto& item : items) ran += item.value.has_value();
    EXPECT_GE(ran, 4u);
    EXPECT_LT(ran, 10000u);
    EXPECT_TRUE(items[3].value.has_value());  // it stopped early and still gave its result
    EXPECT_TRUE(items.back().skipped());
    EXPECT_THROW(batch.Get(), JobCancelled);
    owner.Drain();
    owner.ExpectOrdered(10000);
    EXPECT_EQ(owner.finished[0], JobOutcome::Cancelled);
  }
}

TEST(Jobs, ExceptionsReachTheCallerAndTheOtherItemsStillRun) {
  for (std::size_t threads : kPoolSizes) {
    SCOPED_TRACE(threads);
    WorkerPool pool(threads);
    Owner owner;
    auto batch = RunEach(
        pool, 20,
        [](std::size_t i, std::stop_token) -> int {
          if (i == 7) throw std::runtime_error("seven");
          if (i == 12) throw std::logic_error("twelve");
          return static_cast<int>(i);
        },
        owner.Observer());
    try {
      batch.Get();
      FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "seven");  // the first by input order
    }
    const auto& items = batch.Wait();
    EXPECT_TRUE(items[12].error);
    EXPECT_EQ(items[19].value, 19);
    owner.Drain();
    owner.ExpectOrdered(20);
    EXPECT_EQ(owner.progress.back().done, 20u);
    EXPECT_EQ(owner.finished[0], JobOutcome::Failed);
  }
}

TEST(Jobs, ASingleJobReportsItsOwnProgressAndCanBeCancelled) {
  WorkerPool pool(1);
  Owner owner;
  auto job = RunJob(
      pool,
      [](JobContext& ctx) {
        std::size_t n = 0;
        // Reports may go backwards in the job's own counting; only rises reach the owner.
        for (std::size_t k : {1, 2, 2, 1, 5, 10}) ctx.Report(k, 10, "step");
        while (!ctx.cancelled() && n < 1000000) ++n;
        return n;
      },
      owner.Observer());
  EXPECT_EQ(job.Get().size(), 1u);
  owner.Drain();
  ASSERT_EQ(owner.progress.size(), 5u);  // 1, 2, 2, 5, 10: a repeat is not a step back
  EXPECT_EQ(owner.progress.back().done, 10u);
  EXPECT_EQ(owner.finished, std::vector<JobOutcome>{JobOutcome::Done});

  // Cancelled before it starts: the pool's only thread is busy with a gate.
  std::promise<void> gate;
  std::shared_future<void> open = gate.get_future().share();
  auto blocker = RunEach(pool, 1, [open](std::size_t, std::stop_token) {
    open.wait();
    return 0;
  });
  Owner second;
  auto late = RunJob(
      pool, [](JobContext&) { return 1; }, second.Observer());
  late.Cancel();
  gate.set_value();
  EXPECT_THROW(late.Get(), JobCancelled);
  EXPECT_EQ(blocker.Get(), std::vector<int>{0});
  second.Drain();
  EXPECT_EQ(second.finished, std::vector<JobOutcome>{JobOutcome::Cancelled});
}

TEST(Jobs, DroppingTheHandleWaitsForRunningItemsSoTheyMayUseTheCallersData) {
  WorkerPool pool(4);
  std::atomic<int> running{0};
  {
    std::vector<int> local(100000, 1);
    auto batch = RunEach(pool, local.size(), [&](std::size_t i, std::stop_token) {
      ++running;
      std::this_thread::sleep_for(20us);
      int v = local[i];
      --running;
      return v;
    });
    std::this_thread::sleep_for(2ms);
  }
  EXPECT_EQ(running.load(), 0);
  // An empty batch is finished at once.
  Owner owner;
  auto none = RunEach(
      pool, 0, [](std::size_t, std::stop_token) { return 0; }, owner.Observer());
  EXPECT_TRUE(none.Finished());
  EXPECT_TRUE(none.Get().empty());
  owner.Drain();
  EXPECT_EQ(owner.finished, std::vector<JobOutcome>{JobOutcome::Done});
  EXPECT_GE(SharedPool().size(), 1u);
}

}  // namespace
}  // namespace kipo
