#!/usr/bin/env bash
# Runs every fuzz target for SECONDS (default 40) from its seed corpus and
# prints how many inputs each ran. Fails when a target finds a crash, a leak
# or a hang; the input that did it is kept in build-fuzz/findings/<target>/.
# Build first: cmake --preset fuzz && cmake --build --preset fuzz
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-40}
bin=build-fuzz/bin
status=0
for corpus in fuzz/corpus/*/; do
    target=$(basename "$corpus")
    findings=build-fuzz/findings/$target
    work=build-fuzz/corpus/$target  # grows during the run; the seeds stay as they are
    mkdir -p "$findings" "$work"
    log=build-fuzz/findings/$target.log
    "$bin/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/" "$work" "$corpus" >"$log" 2>&1
    code=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    if [ "$code" -eq 0 ]; then
        printf '%-18s %10s inputs, none failing\n' "$target" "${runs:-?}"
    else
        printf '%-18s FAILED after %s inputs (exit %d); see %s\n' "$target" "${runs:-?}" "$code" "$log"
        grep -m1 -E '^(==[0-9]+==ERROR|SUMMARY)' "$log" || tail -n 5 "$log"
        status=1
    fi
done
exit $status
