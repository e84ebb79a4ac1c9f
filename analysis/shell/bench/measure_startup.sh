#!/bin/sh
# Start-up of TarvelGraph to its first painted window, a few runs.
#   measure_startup.sh [BUILD_DIR] [RUNS]
build=${1:-build}
runs=${2:-5}
[ -n "$DISPLAY$WAYLAND_DISPLAY" ] || export QT_QPA_PLATFORM=offscreen
i=0
while [ "$i" -lt "$runs" ]; do
    start=$(date +%s%N)
    inside=$("$build/bin/TarvelGraph" --measure-startup 2>/dev/null)
    end=$(date +%s%N)
    echo "$inside; process start to exit $(( (end - start) / 1000000 )) ms"
    i=$((i + 1))
done
