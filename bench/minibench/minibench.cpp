// Runs every registered benchmark: the iteration count grows until a run lasts long enough to
// time, then the median of a few runs is reported.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

#include "benchmark/benchmark.h"

namespace benchmark {
namespace {

std::vector<std::unique_ptr<Benchmark>>& Registry() {
  static std::vector<std::unique_ptr<Benchmark>> registry;
  return registry;
}

struct Result {
  std::string name;
  int64_t iterations;
  double nanoseconds;  // per iteration
  double bytesPerSecond;
};

double Seconds(const Benchmark& b, State& state) {
  const auto start = std::chrono::steady_clock::now();
  b.Run(state);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

Result Measure(const Benchmark& b, const std::vector<int64_t>& args, const std::string& name) {
  constexpr double kMinSeconds = 0.3;
  constexpr int kRepetitions = 3;
  int64_t iterations = 1;
  for (;;) {
    State probe(iterations, args);
    const double seconds = Seconds(b, probe);
    if (seconds >= kMinSeconds / 4 || iterations > (int64_t{1} << 40)) {
      iterations = std::max<int64_t>(1, static_cast<int64_t>(iterations * kMinSeconds / seconds));
      break;
    }
    iterations *= 10;
  }
  std::vector<std::pair<double, int64_t>> runs;
  for (int i = 0; i < kRepetitions; ++i) {
    State state(iterations, args);
    const double seconds = Seconds(b, state);
    runs.emplace_back(seconds, state.bytesProcessed());
  }
  std::sort(runs.begin(), runs.end());
  const auto [seconds, bytes] = runs[kRepetitions / 2];
  return {name, iterations, seconds * 1e9 / double(iterations), bytes ? double(bytes) / seconds : 0.0};
}

void WriteJson(const std::vector<Result>& results, const std::string& path) {
  std::ofstream out(path);
  out << "{\n  \"context\": {\"library\": \"minibench\"},\n  \"benchmarks\": [\n";
  for (size_t i = 0; i < results.size(); ++i) {
    const Result& r = results[i];
    out << "    {\"name\": \"" << r.name << "\", \"run_name\": \"" << r.name
        << "\", \"run_type\": \"iteration\", \"iterations\": " << r.iterations
        << ", \"real_time\": " << r.nanoseconds << ", \"cpu_time\": " << r.nanoseconds
        << ", \"time_unit\": \"ns\"";
    if (r.bytesPerSecond > 0) out << ", \"bytes_per_second\": " << r.bytesPerSecond;
    out << "}" << (i + 1 < results.size() ? "," : "") << "\n";
  }
  out << "  ]\n}\n";
}

}  // namespace

Benchmark* internal::Register(const char* name, void (*body)(State&)) {
  Registry().push_back(std::make_unique<Benchmark>(name, body));
  return Registry().back().get();
}

}  // namespace benchmark

int main(int argc, char** argv) {
  std::string jsonPath;
  for (int i = 1; i < argc; ++i) {
    constexpr const char kOut[] = "--benchmark_out=";
    if (std::strncmp(argv[i], kOut, sizeof kOut - 1) == 0) jsonPath = argv[i] + sizeof kOut - 1;
  }

  std::vector<benchmark::Result> results;
  std::printf("%-28s %14s %12s %14s\n", "Benchmark", "Time", "Iterations", "Throughput");
  for (const auto& b : benchmark::Registry()) {
    std::vector<std::vector<int64_t>> runs;
    for (int64_t arg : b->args()) runs.push_back({arg});
    if (runs.empty()) runs.push_back({});
    for (const auto& args : runs) {
      const std::string name = b->name() + (args.empty() ? "" : "/" + std::to_string(args[0]));
      results.push_back(benchmark::Measure(*b, args, name));
      const auto& r = results.back();
      std::printf("%-28s %11.0f ns %12lld", name.c_str(), r.nanoseconds,
                  static_cast<long long>(r.iterations));
      if (r.bytesPerSecond > 0) std::printf(" %9.1f MB/s", r.bytesPerSecond / 1e6);
      std::printf("\n");
    }
  }
  if (!jsonPath.empty()) benchmark::WriteJson(results, jsonPath);
  return 0;
}
