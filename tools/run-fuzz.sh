#!/bin/sh
# Builds the libFuzzer targets in build-fuzz (clang, address and undefined
# behaviour sanitizers) and runs each for SECONDS (default 60) on a scratch
# copy of its seed corpus. A crash, leak or hang stops that target; the input
# that caused it is left in build-fuzz/findings/<target>/.
# Usage: tools/run-fuzz.sh [SECONDS] [TARGET...]
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
seconds=${1:-60}
[ $# -gt 0 ] && shift

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DQUORRIX_BUILD_FUZZ=ON -DQUORRIX_BUILD_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

targets=${*:-$(cd "$root/fuzz" && ls fuzz_*.cpp | sed 's/\.cpp$//')}
# shellcheck disable=SC2086
cmake --build "$build" -j2 --target $targets

status=0
for target in $targets; do
    name=${target#fuzz_}
    work="$build/fuzz-work/$name"
    findings="$build/findings/$name"
    rm -rf "$work"
    mkdir -p "$work" "$findings"
    cp "$root/fuzz/corpus/$name/"* "$work/"
    # Pages and files bigger than the scans' 99,999-byte window add nothing
    # the window does not already show; 2 GB leaves room for the sanitizers.
    echo "== $target for ${seconds}s"
    if ! "$build/fuzz/$target" "$work" -max_total_time="$seconds" -max_len=131072 -rss_limit_mb=2048 \
        -timeout=10 -print_final_stats=1 -artifact_prefix="$findings/" 2>"$build/fuzz-work/$name.log"; then
        status=1
        echo "   FAILED: see $build/fuzz-work/$name.log and $findings/"
    fi
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+.*DONE)' "$build/fuzz-work/$name.log" | sed 's/^/   /' || true
done
exit $status
