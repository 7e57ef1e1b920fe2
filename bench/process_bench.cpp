// Whole-process wall time: orvek_verify (all cases, report on a discarded standard error)
// against a GoogleTest binary of 30 trivial tests, each started with posix_spawn and waited for.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orvek_bench {
namespace {

// Runs `program` with standard output and error on /dev/null and adds the processor time it
// took (user and system) to `cpu_seconds`; false unless it exits with 0.
bool runToCompletion(const char* program, double& cpu_seconds) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>(program), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return false;
  cpu_seconds += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Wall time per process, and its processor time as the counter cpu_ms (the system's clock
// ticks, so coarse per run but fair on average): the part of the wall time the machine's other
// load cannot inflate.
void wholeProcess(benchmark::State& state, const char* program) {
  double cpu_seconds = 0;
  for (auto _ : state) {
    if (!runToCompletion(program, cpu_seconds)) {
      state.SkipWithError("the program did not exit with status 0");
      break;
    }
  }
  state.counters["cpu_ms"] = benchmark::Counter(cpu_seconds * 1e3, benchmark::Counter::kAvgIterations);
}

#ifdef ORVEK_BENCH_VERIFY
BENCHMARK_CAPTURE(wholeProcess, verify, ORVEK_BENCH_VERIFY)
    ->Name("process/orvek_verify")
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
#endif
#ifdef ORVEK_BENCH_TRIVIAL_GTEST
BENCHMARK_CAPTURE(wholeProcess, gtest, ORVEK_BENCH_TRIVIAL_GTEST)
    ->Name("process/gtest30")
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
#endif

}  // namespace
}  // namespace orvek_bench
