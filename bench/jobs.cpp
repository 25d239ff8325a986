// The worker pool: what a batch costs per item, and how CPU-bound items spread over the
// threads (serial loop against pools of 1, 2 and every hardware thread).
#include <benchmark/benchmark.h>

#include <cmath>

#include "platform/jobs.h"

namespace {

// About 50 microseconds of arithmetic, like checking a short document.
double Work(std::size_t i) {
  double x = static_cast<double>(i);
  for (int k = 0; k < 20000; ++k) x = std::sqrt(x + k);
  return x;
}

void BM_Serial(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<double> out(256);
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = Work(i);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * 256);
}
BENCHMARK(BM_Serial)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Pool(benchmark::State& state) {
  kipo::WorkerPool pool(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    auto out = kipo::RunEach(pool, 256, [](std::size_t i, std::stop_token) { return Work(i); }).Get();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * 256);
}
BENCHMARK(BM_Pool)->Arg(1)->Arg(2)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// Items that do nothing: the cost of handing out an item and reporting its progress.
void BM_PerItemOverhead(benchmark::State& state) {
  kipo::WorkerPool pool(2);
  kipo::JobObserver obs;
  obs.onProgress = [](const kipo::JobProgress& p) { benchmark::DoNotOptimize(p.done); };
  for (auto _ : state) {
    auto out = kipo::RunEach(pool, 10000, [](std::size_t i, std::stop_token) { return i; }, obs).Get();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_PerItemOverhead)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
