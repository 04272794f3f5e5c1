#!/usr/bin/env bash
# Line and branch coverage of src/ by the whole test suite: a coverage build
# (gcc --coverage, -O0, no benchmarks) in build-coverage/, the ctest suite,
# then one row per source folder with its code lines, the lines of its
# tests, and gcov's line and branch coverage (gcovr). Also writes
# build-coverage/coverage.html for a closer look.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh gcovr
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build-coverage -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVENTISCOPE_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_EXE_LINKER_FLAGS="--coverage" \
    -DCMAKE_SHARED_LINKER_FLAGS="--coverage" >/dev/null
cmake --build build-coverage -j "$jobs"
find build-coverage -name '*.gcda' -delete
ctest --test-dir build-coverage -j "$jobs" --output-on-failure || echo "(some tests failed: the figures below are still what ran)"

# Branches of the compiler's own making (exception clean-ups) are left out,
# as gcovr's --exclude-throw-branches and --exclude-unreachable-branches do.
gcovr -r . --object-directory build-coverage --filter 'src/' \
    --exclude-throw-branches --exclude-unreachable-branches \
    --json-summary build-coverage/coverage.json --html-details build-coverage/coverage.html \
    -j "$jobs" >/dev/null
python3 scripts/test_size.py --coverage build-coverage/coverage.json
