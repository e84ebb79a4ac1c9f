#!/usr/bin/env bash
# Installs what is missing (Debian 12, as root), then either builds the programs
# and analyses a sample flight (`./setup.sh run`) or builds everything and runs
# every test (`./setup.sh test`); `./setup.sh tidy` runs the static checks alone.
set -euo pipefail
cd "$(dirname "$0")"

# What the programs need to build and run.
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite libgl-dev fonts-dejavu-core)
# clang with its runtime package, which holds libFuzzer, for the fuzz targets.
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev clang-format
               mingw-w64 g++-mingw-w64-x86-64-posix wine64 dpkg-dev desktop-file-utils clang libclang-rt-14-dev
               clang-tidy poppler-utils lintian appstream)
# Seconds each fuzz target runs in `./setup.sh test`.
fuzz_seconds=${FUZZ_SECONDS:-20}

install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        local sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
        echo "Installing: ${missing[*]}"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
}

build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}

run_main_job() {
    local sample=examples/small_motor.rcd
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        echo "Opening $sample in TarvelGraph"
        exec build/bin/TarvelGraph "$sample"
    fi
    echo "No display: analysing $sample headless"
    build/bin/tarvel summary "$sample"
    mkdir -p out
    build/bin/tarvel render "$sample" out/small_motor.png --size 1024x768
    build/bin/tarvel csv "$sample" out/small_motor.csv
    build/bin/tarvel eng "$sample" out/small_motor.eng --diameter 18 --length 70 --total 0.85
    echo "Produced: out/small_motor.png (the main window), out/small_motor.csv, out/small_motor.eng"
}

# Every C++ file of the project laid out as .clang-format says.
check_format() {
    local files
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        files=$(git ls-files '*.cpp' '*.h' '*.c')
    else
        files=$(find . -path './build*' -prune -o -path ./.git -prune -o \
                     -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print)
    fi
    # shellcheck disable=SC2086  # one file per word; the project's names have no spaces
    clang-format --dry-run --Werror $files
}

# .clang-tidy's checks over the sources of the Qt-free libraries and the
# simulators, as the `ci` build compiles them. clang's -Wconversion also
# counts sign changes, which the gcc build leaves out (cmake/TarvelWarnings.cmake).
static_analysis() {
    local sources='/(fltport/(codec|link)|analysis/(compute|export)|downloader/(link|lpt)|tools/(simline|flightgen|fcsim|qm40sim))/(?!qt_)[^/]+\.cpp$'
    # run-clang-tidy colours its findings whatever the output; the log is plain text.
    if run-clang-tidy -p build -j 2 -quiet -extra-arg=-Wno-sign-conversion "$sources" 2>&1 |
        sed 's/\x1b\[[0-9;]*m//g' >build/tidy.log; then
        echo "No findings"
    else
        grep -E "(warning|error):" build/tidy.log | sort -u || tail -20 build/tidy.log
        return 1
    fi
}

run_tests() {
    local status=0
    echo "== Formatting =="
    check_format && echo "Every file is formatted" || status=1
    echo "== Static analysis =="
    static_analysis || status=1
    ctest --preset ci 2>&1 | tee build/ctest.log || status=1
    echo "== Same tests under AddressSanitizer + UndefinedBehaviorSanitizer =="
    build asan
    ctest --preset asan 2>&1 | tee build-asan/ctest.log || status=1
    echo "== The Qt-free libraries and their checks cross-compiled for Windows =="
    build mingw-fltport && ls -l build-mingw/bin/fltport.dll build-mingw/bin/core_check.exe || status=1
    echo "== Fuzz targets, ${fuzz_seconds} s each =="
    { build fuzz && fuzz/run.sh "$fuzz_seconds"; } || status=1
    return $status
}

# The Windows builds under wine, compared with the Linux ones: the serial-link
# library against the simulator call by call and byte by byte, and the analysis
# core on the sample flights file by file.
run_windows_checks() {
    local status=0
    echo "== fltport.dll under wine =="
    fltport/tests/portcheck/run_under_wine.sh build build-mingw || status=1
    echo "== The analysis core under wine =="
    analysis/corecheck/run_under_wine.sh build build-mingw || status=1
    return $status
}

case "${1:-run}" in
    run)  install_missing "${packages[@]}"; build programs; run_main_job ;;
    test)
        install_missing "${packages[@]}" "${test_packages[@]}"
        build ci
        status=0
        run_tests || status=1
        run_windows_checks || status=1
        # Close with the test counts of both runs.
        echo "== Summary: every stage $([ $status -eq 0 ] && echo passed || echo 'did NOT pass, see above') =="
        grep -h "tests passed" build/ctest.log build-asan/ctest.log 2>/dev/null || true
        exit $status ;;
    tidy) install_missing "${packages[@]}" clang-tidy; build ci; static_analysis ;;
    *)    echo "usage: $0 run|test|tidy" >&2; exit 2 ;;
esac
