#!/usr/bin/env bash
# Configures a Release build with the benchmarks in build-bench, builds them,
# runs every one and prints its figures, then the summary tables of all of
# them together. Extra arguments go to every benchmark, for example
#   tools/run-bench.sh --benchmark_repetitions=5
# Exits non-zero when a benchmark missed one of its targets.
set -uo pipefail
cd "$(dirname "$0")/.."

BUILD=build-bench
cmake -S . -B "$BUILD" -DQUORRIX_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 1
benches=()
for source in bench/bench_*.cpp; do
    benches+=("$(basename "$source" .cpp)")
done
cmake --build "$BUILD" -j"$(nproc)" --target "${benches[@]}" || exit 1

# Repetitions let the summary take each benchmark's least disturbed run.
args=("$@")
((${#args[@]})) || args=(--benchmark_repetitions=3)

status=0
summaries=""
for bench in "${benches[@]}"; do
    echo "=== $bench"
    log=$(mktemp)
    "$BUILD/bench/$bench" --benchmark_color=false "${args[@]}" 2>&1 | grep -v 'propagateSizeHints' | tee "$log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
    # The table that ends each run: from its heading line to the end.
    summaries+="--- $bench"$'\n'"$(sed -n '/^what  /,$p' "$log")"$'\n'
    rm -f "$log"
done
echo
echo "=== summary"
printf '%s' "$summaries"
exit $status
