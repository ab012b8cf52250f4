#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# in their own build folder and runs each for SECONDS (default 60), one after the other
# (VARLEN_FUZZ_JOBS=2 runs two at once). Any crash, sanitizer report, input slower than
# 10 s or allocation above the memory limit fails the script; the input that did it is
# kept in the build folder as crash-*, timeout-* or oom-*.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# Seeds are written by varlen_fuzz_seeds (the tests' own writers); new inputs a run finds
# are kept in build-fuzz/corpus/<target> for the next run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VARLEN_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${1:-60}"
shift || true
jobs="${VARLEN_FUZZ_JOBS:-1}"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(fuzz_from_file fuzz_from_dib fuzz_pixel_stream fuzz_data_object
             fuzz_gif_transparent fuzz_format_list fuzz_icon_check fuzz_svg_precheck
             fuzz_svg_reply fuzz_png_fast)
fi

"$root/scripts/deps.sh"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVARLEN_FUZZ=ON -DVARLEN_BUILD_TESTS=OFF -DVARLEN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target varlen_fuzz

seeds="$build/seeds"
rm -rf "$seeds"
"$build/fuzz/varlen_fuzz_seeds" "$seeds"

# Pictures are at most 4096 x 4096 in this build: 64 MiB of pixels, plus the decoded
# bitmap beside them. Any single allocation above 512 MiB is reported as a failure.
export ASAN_OPTIONS="${ASAN_OPTIONS:-allocator_may_return_null=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}"
run_one() {
    local t="$1"
    local corpus="$build/corpus/$t"
    local log="$build/logs/$t.log"
    mkdir -p "$corpus" "$build/logs" "$build/artifacts/$t"
    if ! "$build/fuzz/$t" "$corpus" "$seeds/$t" -max_total_time="$seconds" -timeout=10 \
            -rss_limit_mb=2048 -malloc_limit_mb=512 -max_len=65536 -print_final_stats=1 \
            -artifact_prefix="$build/artifacts/$t/" >"$log" 2>&1; then
        echo "FUZZ FAILURE in $t (log: $log):"
        tail -n 60 "$log"
        return 1
    fi
    local line
    line="$(grep -E '^(#[0-9]+.*(DONE|cov)|stat::number_of_executed_units)' "$log" | tail -n 2 | tr '\n' ' ')"
    echo "$t: $line"
}

status=0
pids=()
for t in "${targets[@]}"; do
    run_one "$t" &
    pids+=($!)
    if [ ${#pids[@]} -ge "$jobs" ]; then
        wait "${pids[0]}" || status=1
        pids=("${pids[@]:1}")
    fi
done
for p in "${pids[@]}"; do
    wait "$p" || status=1
done
exit $status
