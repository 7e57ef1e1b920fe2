#!/usr/bin/env bash
# Memory and undefined-behaviour checks of the whole test suite and of orvek_verify.
#
#   tests/reliability/run_sanitizers.sh
#
# 1. The asan workflow preset: everything built with Clang, AddressSanitizer and
#    UndefinedBehaviorSanitizer (errors fatal, leaks detected), and the whole test suite run
#    under them (build/asan).
# 2. orvek_verify of that build run on its own: exit status 0 and no sanitizer report.
# 3. orvek_verify and orvek_digest of the default preset (build/default, built here if it is
#    not) under valgrind memcheck: no error and no definite or indirect leak, exit status 0
#    (orvek_digest compares its digests with the committed ones there too).
# Fails (exit status 1) at the first step that does not pass. Takes about 3 minutes from
# scratch on 2 cores; the default build is reused when it exists.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
start=$SECONDS

echo "== 1. test suite under AddressSanitizer + UndefinedBehaviorSanitizer (asan preset)"
cmake --workflow --preset asan
echo "asan workflow passed ($((SECONDS - start)) s)"

echo "== 2. orvek_verify under the sanitizers"
log=build/asan/orvek_verify.sanitizers.log
status=0
ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  build/asan/orvek_verify 2>"$log" || status=$?
tail -2 "$log"
if [[ $status -ne 0 ]] || grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error:' "$log"; then
  echo "FAIL: orvek_verify under the sanitizers (exit status $status); see $log" >&2
  exit 1
fi

echo "== 3. valgrind memcheck"
if [[ ! -x build/default/orvek_verify || ! -x build/default/tests/determinism/orvek_digest ]]; then
  cmake --preset default >/dev/null
fi
cmake --build build/default --target orvek_verify orvek_digest >/dev/null
memcheck=(valgrind --tool=memcheck --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect
  --show-leak-kinds=definite,indirect --track-origins=yes -q)
# orvek_digest also compares its digests: the same bits under valgrind's emulation.
programs=("build/default/orvek_verify" "build/default/tests/determinism/orvek_digest --expect tests/determinism/expected_digests.txt")
for command in "${programs[@]}"; do
  read -r -a program <<<"$command"
  name=$(basename "${program[0]}")
  log=build/default/$name.memcheck.log
  status=0
  "${memcheck[@]}" --log-file="$log" "${program[@]}" >/dev/null 2>&1 || status=$?
  if [[ $status -ne 0 ]]; then
    echo "FAIL: $name under valgrind (exit status $status); see $log" >&2
    cat "$log" >&2
    exit 1
  fi
  echo "$name: no memcheck error, no leak"
done

echo "== $((SECONDS - start)) s"
echo "run_sanitizers: all checks passed"
