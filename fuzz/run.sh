#!/usr/bin/env bash
# Runs every fuzz target for SECONDS (default 40) from its seed corpus, as
# many side by side as there are cores, and prints how many inputs each ran.
# Fails when a target finds a crash, a leak or a hang; the input that did it
# is kept in build-fuzz/findings/<target>/.
# Build first: cmake --preset fuzz && cmake --build --preset fuzz
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-40}
# libFuzzer runs on one core: the targets run side by side, one a core
# (FUZZ_JOBS overrides), each for the whole time given.
jobs=${FUZZ_JOBS:-$(nproc 2>/dev/null || echo 1)}
bin=build-fuzz/bin

# Runs one target and writes its line of the summary beside its log.
run_target() {
    local target=$1 corpus=$2
    local findings=build-fuzz/findings/$target
    local work=build-fuzz/corpus/$target  # grows during the run; the seeds stay as they are
    mkdir -p "$findings" "$work"
    local log=build-fuzz/findings/$target.log
    "$bin/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/" "$work" "$corpus" >"$log" 2>&1
    local code=$?
    local runs
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    if [ "$code" -eq 0 ]; then
        printf '%-18s %10s inputs, none failing\n' "$target" "${runs:-?}"
    else
        printf '%-18s FAILED after %s inputs (exit %d); see %s\n' "$target" "${runs:-?}" "$code" "$log"
        grep -m1 -E '^(==[0-9]+==ERROR|SUMMARY)' "$log" || tail -n 5 "$log"
    fi >"$log.summary"
    return "$code"
}

targets=()
running=0
for corpus in fuzz/corpus/*/; do
    target=$(basename "$corpus")
    targets+=("$target")
    run_target "$target" "$corpus" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n
        running=$((running - 1))
    fi
done
wait

status=0
for target in "${targets[@]}"; do
    cat "build-fuzz/findings/$target.log.summary"
    grep -q ' FAILED after ' "build-fuzz/findings/$target.log.summary" && status=1
done
exit $status
