#!/usr/bin/env bash
# Fuzzes the kernel and the world with libFuzzer.
#
#   tests/fuzz/run_fuzz.sh [seconds]      (default: 60 seconds per target)
#
# Builds fuzz_kernel and fuzz_world with clang++ -fsanitize=fuzzer,address,undefined in
# build/fuzz (tests/fuzz/libfuzzer is the CMake project; the libFuzzer runtime comes with
# the Debian package libclang-rt-14-dev, installed with apt-get only when it is missing),
# then runs each target for the given time, one after the other, starting from its
# committed seed corpus (tests/fuzz/corpus/<target>, never written to; new inputs go to
# build/fuzz/corpus/<target>). Prints the executions per target. Fails (exit status 1)
# when a target aborts on a broken property, a sanitizer report, a leak, a timeout or an
# out-of-memory; the input that did it is saved in build/fuzz/artifacts/.
# Wall time: about 1 minute of building plus 2 x seconds.
set -euo pipefail

seconds=${1:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]] || [[ $seconds -eq 0 ]]; then
  echo "usage: $0 [seconds per target, a positive integer]" >&2
  exit 2
fi

root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/build/fuzz
jobs=${ORVEK_JOBS:-2}
targets=(fuzz_kernel fuzz_world)
mkdir -p "$out"

# libFuzzer ships in the compiler-rt package; install it only if a fuzzer cannot be linked.
probe=$out/probe_fuzzer
printf '%s\n' '#include <cstddef>' '#include <cstdint>' \
  'extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }' >"$probe.cpp"
if ! clang++ -fsanitize=fuzzer "$probe.cpp" -o "$probe" 2>/dev/null; then
  echo "== the libFuzzer runtime is missing: installing libclang-rt-14-dev"
  if ! dpkg -s libclang-rt-14-dev >/dev/null 2>&1; then
    sudo_cmd=()
    [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get install -y libclang-rt-14-dev
  fi
  clang++ -fsanitize=fuzzer "$probe.cpp" -o "$probe"
fi

start=$SECONDS
echo "== building the fuzz targets in $out"
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$root/tests/fuzz/libfuzzer" -B "$out/build" -G Ninja -DCMAKE_BUILD_TYPE= \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="-g -O1 -fsanitize=fuzzer-no-link $sanitizers" \
  -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" >"$out/build.log" 2>&1 ||
  { cat "$out/build.log" >&2; exit 1; }
cmake --build "$out/build" -j "$jobs" >>"$out/build.log" 2>&1 || { cat "$out/build.log" >&2; exit 1; }
echo "built in $((SECONDS - start)) s"

export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failures=0
summary=()
for target in "${targets[@]}"; do
  echo "== $target for $seconds s"
  corpus=$out/corpus/$target
  artifacts=$out/artifacts
  mkdir -p "$corpus" "$artifacts"
  log=$out/$target.log
  status=0
  "$out/build/$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
    -max_len=4096 -artifact_prefix="$artifacts/$target-" "$corpus" "$root/tests/fuzz/corpus/$target" \
    >"$log" 2>&1 || status=$?
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  added=$(sed -n 's/^stat::new_units_added: *//p' "$log" | tail -1)
  coverage=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 || true)
  if [[ $status -ne 0 ]]; then
    failures=$((failures + 1))
    echo "FAIL: $target stopped with status $status; the end of its log ($log):" >&2
    tail -40 "$log" >&2
    summary+=("$(printf '%-12s FAILED after %s executions' "$target" "${executions:-?}")")
  else
    summary+=("$(printf '%-12s %10s executions  %6s/s  %s  %s new inputs' "$target" "${executions:-?}" "${rate:-?}" \
      "${coverage:-cov: ?}" "${added:-?}")")
  fi
done

echo "== executions per target ($seconds s each)"
printf '%s\n' "${summary[@]}"
echo "== $((SECONDS - start)) s"
if [[ $failures -ne 0 ]]; then
  echo "run_fuzz: $failures targets failed" >&2
  exit 1
fi
echo "run_fuzz: no failure"
