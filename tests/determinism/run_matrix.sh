#!/usr/bin/env bash
# Determinism matrix: the same bits from every build of orvek on this machine.
#
#   tests/determinism/run_matrix.sh
#
# Steps, each of which fails the script (exit status 1) when it does not hold:
#   1. orvek_digest built 18 times, {g++, clang++} x {-O0, -O2, -O3} x {-march=x86-64,
#      -march=x86-64-v3, -march=native}, each a build of tests/determinism/matrix (the orvek
#      tree embedded, tests and orvek_verify off, so the libraries get the same flags), must
#      print the committed digests (tests/determinism/expected_digests.txt).
#   2. Consumer build: with both compilers, -O3 -march=native and digest.cpp compiled with
#      -ffp-contract=fast after the kernel's -ffp-contract=off, the inline functions of the
#      public headers keep their bits: same digests, and no fused multiply-add in digest.cpp.o.
#   3. Negative control: kernel, ecs and digest sources compiled directly with
#      g++ -O2 -march=x86-64-v3 -ffp-contract=fast must print at least one different
#      digest (skipped when the processor has no FMA), which shows the digests see fusion.
#   4. Disassembly: the kernel and ecs object code of every x86-64-v3 and native build
#      contains no fused multiply-add instruction (and the negative control's does, which
#      shows the search finds them).
#
# Builds go to build/determinism/ and are reused by later runs. Takes about 4 minutes
# from scratch on 2 cores. ORVEK_JOBS sets the build parallelism (default 2).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
project=$root/tests/determinism/matrix
expected=$root/tests/determinism/expected_digests.txt
out=$root/build/determinism
jobs=${ORVEK_JOBS:-2}
fma_pattern='vfn?m(add|sub)'
mkdir -p "$out"

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# What the processor can run, as the compiler's own CPU detection sees it (the flags in
# /proc/cpuinfo are incomplete under some hypervisors).
probe=$out/cpu_probe
printf '%s\n' '#include <cstdio>' \
  'int main() { __builtin_cpu_init(); std::printf("%d %d\n", __builtin_cpu_supports("x86-64-v3") != 0, __builtin_cpu_supports("fma") != 0); }' \
  >"$probe.cpp"
g++ -O0 "$probe.cpp" -o "$probe"
read -r cpu_has_v3 cpu_has_fma < <("$probe")

# build <dir> <compiler> <flags> [extra cmake arguments...]: configures and builds one digest program.
build() {
  local dir=$1 cxx=$2 flags=$3
  shift 3
  cmake -S "$project" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE= -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON "$@" \
    >"$dir.log" 2>&1 &&
    cmake --build "$dir" -j "$jobs" >>"$dir.log" 2>&1
}

# check <dir>: runs the digest program against the committed digests; prints the outcome.
check() {
  local dir=$1 report
  if report=$("$dir/orvek_digest" --expect "$expected" 2>&1 >/dev/null); then
    echo "agreed"
    return 0
  fi
  echo "DIFFERS: $(echo "$report" | head -1)"
  return 1
}

start=$SECONDS
echo "== 1. digest matrix (expected: $expected)"
table=()
agreed=0
for cxx in g++ clang++; do
  for opt in -O0 -O2 -O3; do
    for march in x86-64 x86-64-v3 native; do
      name=$cxx$opt-$march
      dir=$out/$name
      if [[ $march == x86-64-v3 && $cpu_has_v3 -eq 0 ]]; then
        fail "$name: this processor cannot run x86-64-v3 code"
        table+=("$(printf '%-8s %-4s %-10s %s' "$cxx" "$opt" "$march" "not run (no x86-64-v3)")")
        continue
      fi
      if ! build "$dir" "$cxx" "$opt -march=$march"; then
        fail "$name: build failed (see $dir.log)"
        table+=("$(printf '%-8s %-4s %-10s %s' "$cxx" "$opt" "$march" "BUILD FAILED")")
        continue
      fi
      if result=$(check "$dir"); then agreed=$((agreed + 1)); else fail "$name: $result"; fi
      table+=("$(printf '%-8s %-4s %-10s %s' "$cxx" "$opt" "$march" "$result")")
    done
  done
done
printf '%-8s %-4s %-10s %s\n' compiler opt march digests
printf '%s\n' "${table[@]}"
echo "$agreed of 18 builds agreed with the committed digests ($((SECONDS - start)) s)"

echo "== 2. consumer build: digest.cpp with -O3 -march=native -ffp-contract=fast"
for cxx in g++ clang++; do
  dir=$out/consumer-$cxx
  if ! build "$dir" "$cxx" "-O3 -march=native" -DORVEK_DIGEST_CONTRACT_FAST=ON; then
    fail "consumer build with $cxx failed (see $dir.log)"
    continue
  fi
  # The user's option must come after the kernel's on the command line to take effect.
  if ! grep -q -- '-ffp-contract=off.*-ffp-contract=fast[^"]*digest\.cpp' "$dir/compile_commands.json"; then
    fail "consumer build with $cxx: digest.cpp is not compiled with -ffp-contract=fast after -ffp-contract=off"
  fi
  if result=$(check "$dir"); then echo "$cxx: $result"; else fail "consumer build with $cxx: $result"; fi
  # With every product of the header functions kept apart, the user's code has nothing to fuse.
  fused=$(find "$dir/CMakeFiles/orvek_digest.dir" -name 'digest.cpp.o' -exec objdump -d {} + | grep -cE "$fma_pattern" || true)
  if [[ $fused -ne 0 ]]; then fail "consumer build with $cxx: $fused fused multiply-adds in digest.cpp.o"; fi
done

echo "== 3. negative control: everything compiled with g++ -O2 -march=x86-64-v3 -ffp-contract=fast"
if [[ $cpu_has_fma -eq 0 ]]; then
  echo "skipped: this processor has no FMA"
else
  dir=$out/negative-control
  rm -rf "$dir"
  mkdir -p "$dir"
  flags=(-std=c++20 -O2 -march=x86-64-v3 -ffp-contract=fast -I"$root/src")
  sources=("$root"/src/orvek_kernel/*.cpp "$root"/src/orvek_ecs/*.cpp)
  objects=()
  for src in "${sources[@]}"; do
    obj=$dir/$(basename "$(dirname "$src")")_$(basename "$src" .cpp).o
    g++ "${flags[@]}" -c "$src" -o "$obj"
    objects+=("$obj")
  done
  g++ "${flags[@]}" "$root/tests/determinism/digest.cpp" "${objects[@]}" -o "$dir/orvek_digest"
  "$dir/orvek_digest" >"$dir/digests.txt"
  differing=$( (diff <(grep -v '^#' "$expected") "$dir/digests.txt" || true) | grep -c '^>' || true)
  if [[ $differing -eq 0 ]]; then
    fail "negative control: contraction forced on everywhere and still every digest agrees"
  else
    echo "as intended, $differing operations differ with contraction forced on:"
    (diff <(grep -v '^#' "$expected") "$dir/digests.txt" || true) | awk '/^>/ {print "  " $2}'
  fi
  fused=$(objdump -d "${objects[@]}" | grep -cE "$fma_pattern" || true)
  if [[ $fused -eq 0 ]]; then
    fail "negative control: the disassembly search found no fused multiply-add where there must be some"
  else
    echo "the disassembly search finds $fused fused multiply-adds in these objects"
  fi
fi

echo "== 4. disassembly: no fused multiply-add in the kernel built for x86-64-v3 and native"
for cxx in g++ clang++; do
  for opt in -O0 -O2 -O3; do
    for march in x86-64-v3 native; do
      dir=$out/$cxx$opt-$march
      archives=("$dir/orvek/src/orvek_kernel/liborvek_kernel.a" "$dir/orvek/src/orvek_ecs/liborvek_ecs.a")
      [[ -f ${archives[0]} && -f ${archives[1]} ]] || continue
      count=$(objdump -d "${archives[@]}" | grep -cE "$fma_pattern" || true)
      printf '%-8s %-4s %-10s %s fused multiply-adds\n' "$cxx" "$opt" "$march" "$count"
      if [[ $count -ne 0 ]]; then
        fail "$cxx$opt-$march: fused multiply-add instructions in the kernel/ecs object code"
        objdump -d "${archives[@]}" | grep -E "$fma_pattern" | head -5 >&2
      fi
    done
  done
done

echo "== $((SECONDS - start)) s"
if [[ $failures -ne 0 ]]; then
  echo "run_matrix: $failures failures" >&2
  exit 1
fi
echo "run_matrix: all checks passed"
