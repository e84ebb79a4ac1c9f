#!/usr/bin/env bash
# No program may take a library from the folder it is started in: each one is
# started (as the loader's trace of its libraries, which runs none of its
# code) in a folder that holds libraries named like its dependencies.
#   run_path_test.sh ANY_SHARED_LIBRARY PROGRAM...
set -euo pipefail

decoy=$(realpath "$1")
shift
work=$(mktemp -d /tmp/tarvel-run-path-XXXXXX)
trap 'rm -rf "$work"' EXIT
for name in libstdc++.so.6 libQt6Core.so.6 libQt6Widgets.so.6 libfltport.so; do
    cp "$decoy" "$work/$name"
done

failures=0
for program in "$@"; do
    program=$(realpath "$program")
    # Every library must resolve to an absolute path; a bare name is one the
    # loader found in the current folder, "not found" one it did not find.
    found=$(cd "$work" && LD_TRACE_LOADED_OBJECTS=1 "$program" 2>/dev/null || true)
    odd=$(grep -v 'linux-vdso' <<<"$found" | grep -Ev '=> /|^[[:space:]]*/' || true)
    if [ -n "$odd" ]; then
        echo "FAILED: $(basename "$program") loads from the current folder: $odd" >&2
        failures=$((failures + 1))
    fi
    if runpath=$(readelf -d "$program" 2>/dev/null | grep -E 'R(UN)?PATH'); then
        echo "$(basename "$program"): $runpath"
    fi
done
[ "$failures" -eq 0 ] || exit 1
echo "no program looks for libraries in the current folder"
