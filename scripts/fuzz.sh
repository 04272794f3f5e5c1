#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for a bounded time (seconds per
# target: first argument, default 60), two at a time. Each starts from the
# seed corpus in tests/fuzz/corpus. A finding fails the run; its input is
# left in build-fuzz/findings/<target>/ to be kept as a regression case in
# tests/fuzz/regressions/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
bash scripts/deps.sh clang libclang-rt-14-dev

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVENTISCOPE_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)"

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
targets=$(ls build-fuzz/bin | sed -n 's/^fuzz_//p')
run_one() {
    local t=$1 work=build-fuzz/work/$1 found=build-fuzz/findings/$1
    rm -rf "$work" "$found"
    mkdir -p "$work" "$found"
    cp -r "tests/fuzz/corpus/$t/." "$work/"
    if build-fuzz/bin/fuzz_"$t" "$work" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$found/" -print_final_stats=1 >"build-fuzz/$t.log" 2>&1; then
        echo "$t: $(sed -n 's/^stat::number_of_executed_units: *//p' "build-fuzz/$t.log") executions, nothing found"
    else
        echo "$t: FOUND A FAULT; input kept in $found/"
        tail -40 "build-fuzz/$t.log"
        return 1
    fi
}
export -f run_one
export seconds
status=0
printf '%s\n' $targets | xargs -P 2 -I{} bash -c 'run_one {}' || status=1
exit $status
