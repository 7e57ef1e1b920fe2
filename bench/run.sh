#!/usr/bin/env bash
# Runs the benchmarks and rewrites the results part of bench/README.md and bench/find_nearest.png.
#
#   bench/run.sh            the whole suite (about 7 minutes on 2 cores)
#   bench/run.sh --quick    1 repetition instead of 10, for trying the script itself
#
# Needs: cmake, ninja, g++, libbenchmark-dev, libeigen3-dev, libglm-dev, libgtest-dev, jq,
# gnuplot-nox; hyperfine is used for a second measurement of the process times when present.
# Builds the `bench` preset (-O3 -march=native for everything) in build/bench.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
repetitions=10
[[ ${1:-} == --quick ]] && repetitions=1

for tool in cmake jq gnuplot; do
  command -v "$tool" >/dev/null || { echo "run.sh: $tool is missing" >&2; exit 1; }
done

cmake --preset bench >/dev/null
cmake --build --preset bench --target orvek_bench orvek_verify orvek_bench_trivial_gtest >/dev/null

out=build/bench/results
mkdir -p "$out"
json=$out/orvek_bench.json
# Medians of the repetitions; the repetitions of all benchmarks are interleaved in random
# order, so that a change in the machine's load spreads over every benchmark alike.
build/bench/orvek_bench --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
  --benchmark_enable_random_interleaving=true --benchmark_out="$json" --benchmark_out_format=json \
  >"$out/orvek_bench.txt"
cp "$json" bench/results.json

# name <tab> median wall time in ns, for every benchmark.
medians=$out/medians.tsv
aggregate=median
[[ $repetitions == 1 ]] && aggregate=
jq -r --arg agg "$aggregate" '
  .benchmarks[]
  | select(if $agg == "" then (.run_type == "iteration") else (.aggregate_name == $agg) end)
  | [.run_name,
     (.real_time * ({"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[.time_unit]))]
  | @tsv' "$json" >"$medians"

# Processor time of the processes (user and system), which the machine's other load does not inflate.
cpu_note=$(jq -r --arg agg "$aggregate" '
  [.benchmarks[]
   | select(.run_name | startswith("process/"))
   | select(if $agg == "" then (.run_type == "iteration") else (.aggregate_name == $agg) end)
   | "\(.run_name | split("/")[1]): \(.cpu_ms * 100 | round / 100) ms"] | join(", ")' "$json")

# Process times measured a second way, outside the benchmark binary.
hyperfine_note="hyperfine not installed"
if command -v hyperfine >/dev/null; then
  hyperfine -N --warmup 50 --runs 500 --export-json "$out/hyperfine.json" \
    build/bench/orvek_verify build/bench/orvek_bench_trivial_gtest >/dev/null 2>&1
  hyperfine_note=$(jq -r '[.results[] | "\(.command | split("/") | last): median \(.median * 1e3 | . * 100 | round / 100) ms"] | join(", ")' \
    "$out/hyperfine.json")
fi

# Rows of the table: label | orvek benchmark | reference benchmark | kind | target.
#   ratio: orvek / reference, at most the target;  speedup: reference / orvek, at least the
#   target;  wall: orvek's time in ms, at most the target;  info: no target.
rows='PGL4::mul|mul/orvek|mul/eigen|ratio|1.0
PGL4::apply|apply/orvek|apply/eigen|ratio|1.0
PGL4::transpose|transpose/orvek|transpose/eigen|info|
PGL4::det|det/orvek|det/eigen|ratio|1.5
PGL4::normalizeDet|normalizeDet/orvek|normalizeDet/eigen|info|
inverse(diag(2, 3, 4, 1), 1e-10, 15) against orvek mul|inverseDiag/orvek|mul/orvek|ratio|25
inverse(translation (1, 2, 3), 1e-10, 15) against orvek mul|inverseTranslation/orvek|mul/orvek|info|
computeProjector(jc, 1e-8)|computeProjector/orvek|computeProjector/eigen|info|
HomVec4::normalize|normalize/orvek|normalize/eigen|info|
fsDistance|fsDistance/orvek|fsDistance/eigen|info|
createEntity ×1K, heapAllocator(), against vector::push_back|createEntity/orvek/1024|createEntity/vector/1024|ratio|1.0
createEntity ×1M, heapAllocator(), against vector::push_back|createEntity/orvek/1048576|createEntity/vector/1048576|ratio|1.0
findNearest, 1K entities, speed-up over the plain scan|findNearest/orvek/1024|findNearest/plain/1024|speedup|4
findNearest, 64K entities, against the read-only pass|findNearest/orvek/65536|findNearest/readonly/65536|info|
findNearest, 1M entities, against the read-only pass|findNearest/orvek/1048576|findNearest/readonly/1048576|ratio|1.25
orvek_verify, whole process (GoogleTest, 30 trivial tests, as reference)|process/orvek_verify/real_time|process/gtest30/real_time|wall|2'

table=$out/table.md
awk -F'\t' -v rows="$rows" '
  function fmt(ns) {
    if (ns >= 1e6) return sprintf("%.2f ms", ns / 1e6)
    if (ns >= 1e3) return sprintf("%.1f µs", ns / 1e3)
    return sprintf("%.2f ns", ns)
  }
  { t[$1] = $2 }
  END {
    print "| Work | orvek | reference | ratio | target | met |"
    print "|---|---:|---:|---:|---|:---:|"
    n = split(rows, lines, "\n")
    for (i = 1; i <= n; ++i) {
      split(lines[i], f, "|")
      label = f[1]; a = t[f[2]]; b = t[f[3]]; kind = f[4]; target = f[5]
      if (a == "" || b == "") { printf "| %s | missing | missing | | | |\n", label; continue }
      if (kind == "ratio") { r = sprintf("%.2f×", a / b); goal = "≤ " target "×"; ok = (a / b <= target) ? "yes" : "**no**" }
      else if (kind == "speedup") { r = sprintf("%.1f× faster", b / a); goal = "≥ " target "× faster"; ok = (b / a >= target) ? "yes" : "**no**" }
      else if (kind == "wall") { r = sprintf("%.2f×", a / b); goal = "≤ " target " ms"; ok = (a / 1e6 <= target) ? "yes" : "**no**" }
      else { r = sprintf("%.2f×", a / b); goal = "—"; ok = "" }
      printf "| %s | %s | %s | %s | %s | %s |\n", label, fmt(a), fmt(b), r, goal, ok
    }
  }' "$medians" >"$table"

# All benchmarks, for the record.
all=$out/all.md
{
  echo "| Benchmark | median wall time |"
  echo "|---|---:|"
  awk -F'\t' '{ if ($2 >= 1e6) v = sprintf("%.2f ms", $2 / 1e6); else if ($2 >= 1e3) v = sprintf("%.1f µs", $2 / 1e3); else v = sprintf("%.2f ns", $2); printf "| %s | %s |\n", $1, v }' "$medians" | sort
} >"$all"

# findNearest: time per entity against the number of entities.
plot_data=$out/find_nearest.dat
{
  echo "# entities orvek plain readonly (ns per entity)"
  awk -F'\t' '
    $1 ~ /^findNearest\// { split($1, p, "/"); n = p[3] + 0; per[p[2], n] = $2 / n; sizes[n] = 1 }
    END { for (n in sizes) printf "%d %g %g %g\n", n, per["orvek", n], per["plain", n], per["readonly", n] }
  ' "$medians" | sort -n
} >"$plot_data"
gnuplot -e "data='$plot_data'; output='bench/find_nearest.png'" bench/find_nearest.gp

# The results part of the README, between its two marker lines.
cpu=$(lscpu | sed -n 's/^Model name:[[:space:]]*//p' | head -1)
cores=$(nproc)
compiler=$(g++ --version | head -1)
generated=$out/results.md
{
  echo "Last run: $(date -u '+%Y-%m-%d %H:%M UTC'), \`bench/run.sh\`, $repetitions repetitions, medians of the wall time."
  echo
  echo "- Machine: $cpu, $cores cores ($(uname -sr))"
  echo "- Compiler: $compiler"
  echo "- Flags: \`-O3 -march=native\` for everything (the \`bench\` preset, Release); the Eigen and glm"
  echo "  code is compiled with \`-ffp-contract=fast\` on top, orvek keeps \`-ffp-contract=off\`"
  echo "- Processor time (user + system) per process: $cpu_note"
  echo "- Process wall times measured again with hyperfine (500 runs): $hyperfine_note"
  echo
  cat "$table"
  echo
  echo '![findNearest time per entity](find_nearest.png)'
  echo
  echo "<details><summary>Every benchmark</summary>"
  echo
  cat "$all"
  echo
  echo "</details>"
} >"$generated"
awk -v file="$generated" '
  /^<!-- results:begin -->$/ { print; while ((getline line < file) > 0) print line; skip = 1; next }
  /^<!-- results:end -->$/ { skip = 0 }
  !skip' bench/README.md >"$out/README.md"
cp "$out/README.md" bench/README.md
echo "bench/README.md and bench/find_nearest.png updated"
cat "$table"
