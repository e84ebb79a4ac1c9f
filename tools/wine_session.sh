# Sourced by the checks that run the Windows builds under wine:
#   wine_check_folders "$@"              the check's two arguments, BUILD_DIR MINGW_BUILD_DIR,
#                                        as absolute $build and $mingw
#   wine_need FILE...                    stops the check unless every FILE was built
#   wine_session_start MINGW_BUILD_DIR   sets $wine and $WINEPREFIX, starts a quiet wineserver
#   wine_session_end                     ends that wineserver
# The wine prefix is kept in MINGW_BUILD_DIR/wine-prefix (made on first use,
# about 20 s); TARVEL_WINEPREFIX overrides it.

# The wine64 package puts its programs outside PATH when the wrapper package is not installed.
find_wine_program() { command -v "$1" || { [ -x "/usr/lib/wine/$1" ] && echo "/usr/lib/wine/$1"; }; }

wine_check_folders() {
    if [ $# -ne 2 ]; then
        echo "usage: $0 BUILD_DIR MINGW_BUILD_DIR" >&2
        exit 2
    fi
    build=$(realpath "$1")
    mingw=$(realpath "$2")
}

wine_need() {
    local file
    for file in "$@"; do
        [ -e "$file" ] || { echo "missing $file: build both presets first" >&2; exit 1; }
    done
}

wine_session_start() {
    wine=$(find_wine_program wine64) || { echo "wine64 is not installed" >&2; return 1; }
    wineserver=$(find_wine_program wineserver) || { echo "wineserver is not installed" >&2; return 1; }
    export WINEPREFIX=${TARVEL_WINEPREFIX:-$(realpath "$1")/wine-prefix}
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="  # no offer to install .NET or a browser
    mkdir -p "$WINEPREFIX"
    # A wineserver that the first wine program starts reports on our standard error
    # when it exits; one started here, persistent and silenced, is ended by wine_session_end.
    "$wineserver" -p >/dev/null 2>&1
    [ -f "$WINEPREFIX/system.reg" ] || "$wine" wineboot --init >/dev/null 2>&1
}

wine_session_end() { [ -z "${wineserver:-}" ] || "$wineserver" -k 2>/dev/null || true; }
