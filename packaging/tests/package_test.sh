#!/usr/bin/env bash
# Makes the Debian package from a built tree, unpacks it into a scratch root
# (dpkg -x, nothing is installed on this machine) and runs the programs from
# there: they must find the packaged serial-link library and no other.
#   package_test.sh BUILD_DIR VERSION
set -euo pipefail

build=$(realpath "$1")
version=$2
work=$(mktemp -d /tmp/tarvel-package-XXXXXX)
sim_pid=""
finish() {
    [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT

failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; exit 1; }
deb="$work/package/tarvel_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "no $deb" >&2; ls "$work/package" >&2; exit 1; }
echo "made $(basename "$deb"), $(($(stat -c %s "$deb") / 1024)) KiB"

# The control fields a package manager needs to install it with its libraries.
control=$(dpkg-deb --field "$deb")
for field in "Package: tarvel" "Version: $version" "Depends: .*libqt6widgets6" "Depends: .*libstdc++6"; do
    grep -q "^$field" <<<"$control" || fail "control field '$field' missing"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
usr="$root/usr"
for file in bin/TarvelGraph bin/tarvel bin/fcsim bin/flightgen lib/tarvel/libfltport.so \
            share/applications/tarvelgraph.desktop share/icons/hicolor/scalable/apps/tarvelgraph.svg \
            share/mime/packages/tarvel-record.xml share/man/man1/tarvel.1.gz share/man/man1/fcsim.1.gz \
            share/man/man1/flightgen.1.gz share/tarvel/examples/small_motor.rcd share/tarvel/examples/README.md; do
    [ -e "$usr/$file" ] || fail "the package lacks /usr/$file"
done
# The downloader's entry comes with the downloader, never without it.
if [ -e "$usr/bin/VXOEM" ]; then
    [ -e "$usr/share/applications/vxoem.desktop" ] || fail "VXOEM without its desktop entry"
elif [ -e "$usr/share/applications/vxoem.desktop" ]; then
    fail "a desktop entry for a VXOEM that is not there"
fi

# Desktop entries start programs that the package has, and .rcd files go to TarvelGraph.
for entry in "$usr"/share/applications/*.desktop; do
    if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$entry" || fail "$entry"; fi
    program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    [ -x "$usr/bin/$program" ] || fail "$(basename "$entry") starts $program, which is not in the package"
done
grep -q '^MimeType=application/x-tarvel-record;' "$usr/share/applications/tarvelgraph.desktop" ||
    fail "TarvelGraph does not open .rcd files"
{ grep -q '<mime-type type="application/x-tarvel-record">' "$usr/share/mime/packages/tarvel-record.xml" &&
    grep -q '<glob pattern="\*.rcd"/>' "$usr/share/mime/packages/tarvel-record.xml"; } || fail "no .rcd file type"
for page in "$usr"/share/man/man1/*.1.gz; do
    zcat "$page" | grep -q '^\.SH DESCRIPTION' || fail "$page is no manual page"
done

# Nor do the packaged programs take libraries from the folder they are started in.
packaged=()
for program in TarvelGraph tarvel fcsim flightgen VXOEM qm40sim; do
    [ ! -e "$usr/bin/$program" ] || packaged+=("$usr/bin/$program")
done
"$(dirname "$0")/run_path_test.sh" "$usr/lib/tarvel/libfltport.so" "${packaged[@]}" >/dev/null ||
    fail "a packaged program searches the current folder for libraries"

# The packaged programs, with the packaged library.
examples="$usr/share/tarvel/examples"
summary=$("$usr/bin/tarvel" summary "$examples/small_motor.rcd") || fail "tarvel summary"
grep -q "Max Altitude *645.5 (ft)" <<<"$summary" || fail "tarvel summary: $summary"
"$usr/bin/flightgen" --seed 3 -o "$work/generated.rcd" >/dev/null || fail "flightgen"
"$usr/bin/tarvel" summary "$work/generated.rcd" >/dev/null || fail "tarvel summary of a generated flight"

"$usr/bin/fcsim" --quiet --link "$work/fc" "$examples/small_motor.rcd" >/dev/null &
sim_pid=$!
for _ in $(seq 100); do [ -L "$work/fc" ] && break; sleep 0.05; done
download() { (mkdir -p "$1" && cd "$1" && "$usr/bin/tarvel" download --port "$work/fc") 2>&1; }
out=$(download "$work/flights") || fail "tarvel download: $out"
cmp -s "$work/flights/tmprecord0.rcd" "$examples/small_motor_downloaded.rcd" ||
    fail "the download differs from small_motor_downloaded.rcd"
# Without the packaged library the download must fail: no other copy was used.
mv "$usr/lib/tarvel/libfltport.so" "$work/"
if out=$(download "$work/no-library"); then fail "tarvel download worked without the packaged library"; fi
grep -q "could not be loaded" <<<"$out" || fail "no clear error without the library: $out"
mv "$work/libfltport.so" "$usr/lib/tarvel/"
kill "$sim_pid"
wait "$sim_pid" 2>/dev/null || true
sim_pid=""

out=$(QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='*.warning=false' "$usr/bin/TarvelGraph" --measure-startup 2>&1) ||
    fail "TarvelGraph: $out"
grep -q "first paint after" <<<"$out" || fail "TarvelGraph did not paint its window: $out"
# The downloader in its quiet batch mode, with its settings kept in the scratch folder.
if [ -e "$usr/bin/VXOEM" ]; then
    mkdir -p "$work/vxoem"
    status=0
    (cd "$work/vxoem" && HOME="$work/vxoem" XDG_CONFIG_HOME="$work/vxoem/config" \
        timeout 30 "$usr/bin/VXOEM" missing /d /q) || status=$?
    { [ "$status" -eq 1 ] && grep -q "Project Not found" "$work/vxoem/Velmix.err"; } ||
        fail "VXOEM batch mode: exit $status, $(cat "$work/vxoem/Velmix.err" 2>&1)"
fi
for program in fcsim flightgen qm40sim; do
    [ ! -e "$usr/bin/$program" ] || "$usr/bin/$program" --help >/dev/null || fail "$program --help"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "the package installs and its programs run"
