// The small part of Google Benchmark's interface that our benchmarks use, for the 32-bit
// Windows build, where Google Benchmark is not available. It measures wall-clock time per
// iteration and writes results in Google Benchmark's JSON form, so bench/report.py reads both.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace benchmark {

class State {
 public:
  State(int64_t iterations, std::vector<int64_t> args)
      : iterations_(iterations), args_(std::move(args)) {}

  // Marked unused, so `for (auto _ : state)` gives no unused-variable warning.
  struct [[maybe_unused]] Value {};
  class Iterator {
   public:
    explicit Iterator(int64_t left) : left_(left) {}
    Value operator*() const { return {}; }
    Iterator& operator++() {
      --left_;
      return *this;
    }
    bool operator!=(const Iterator&) const { return left_ != 0; }

   private:
    int64_t left_;
  };
  Iterator begin() { return Iterator(iterations_); }
  Iterator end() { return Iterator(0); }

  int64_t iterations() const { return iterations_; }
  int64_t range(size_t i = 0) const { return args_.at(i); }
  void SetBytesProcessed(int64_t bytes) { bytesProcessed_ = bytes; }
  int64_t bytesProcessed() const { return bytesProcessed_; }

 private:
  int64_t iterations_;
  std::vector<int64_t> args_;
  int64_t bytesProcessed_ = 0;
};

template <class T>
inline void DoNotOptimize(T& value) {
  __asm__ __volatile__("" : : "r,m"(value) : "memory");
}

template <class T>
inline void DoNotOptimize(const T& value) {
  __asm__ __volatile__("" : : "r,m"(value) : "memory");
}

inline void ClobberMemory() { __asm__ __volatile__("" : : : "memory"); }

class Benchmark {
 public:
  Benchmark(std::string name, std::function<void(State&)> body)
      : name_(std::move(name)), body_(std::move(body)) {}
  Benchmark* Name(const std::string& name) {
    name_ = name;
    return this;
  }
  Benchmark* Arg(int64_t arg) {
    args_.push_back(arg);
    return this;
  }

  const std::string& name() const { return name_; }
  const std::vector<int64_t>& args() const { return args_; }
  void Run(State& state) const { body_(state); }

 private:
  std::string name_;
  std::function<void(State&)> body_;
  std::vector<int64_t> args_;
};

namespace internal {
Benchmark* Register(const char* name, void (*body)(State&));
}

}  // namespace benchmark

#define KIT_BENCHMARK_CONCAT2(a, b) a##b
#define KIT_BENCHMARK_CONCAT(a, b) KIT_BENCHMARK_CONCAT2(a, b)
#define BENCHMARK(fn)                                                                \
  [[maybe_unused]] static ::benchmark::Benchmark* KIT_BENCHMARK_CONCAT(kitBenchmark_, \
                                                                       __LINE__) =   \
      ::benchmark::internal::Register(#fn, fn)
