#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors, and runs every test;
# then the same tests again in a sanitizer build, then a short run of every fuzz target.
#
#   1. build/       RelWithDebInfo, all tests (ctest).
#   2. build-asan/  AddressSanitizer + UndefinedBehaviorSanitizer (-O1, no benchmarks):
#                   the whole suite again, widget tests included (offscreen). Any report
#                   aborts the test that caused it.
#   3. build-fuzz/  clang + libFuzzer: each fuzz target for VARLEN_FUZZ_SECONDS (30) from
#                   seeds our own writers make; a crash, a 10 s input or a greedy
#                   allocation fails the run (scripts/fuzz.sh).
# VARLEN_TEST_QUICK=1 stops after step 1 (for quick local runs; CI runs all three).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VARLEN_BUILD_DIR:-$root/build}"
asan="${VARLEN_ASAN_BUILD_DIR:-$root/build-asan}"

"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARLEN_WERROR=ON
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
[ "${VARLEN_TEST_QUICK:-0}" = 1 ] && exit 0

echo "== Sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake -S "$root" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
    -DVARLEN_WERROR=ON -DVARLEN_SANITIZE=ON -DVARLEN_BUILD_BENCH=OFF
cmake --build "$asan"
ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0" \
    ctest --test-dir "$asan" --output-on-failure -j "$(nproc)"

echo "== Fuzz smoke"
VARLEN_FUZZ_JOBS="$(nproc)" "$root/scripts/fuzz.sh" "${VARLEN_FUZZ_SECONDS:-30}"
