#!/usr/bin/env bash
# Makes the Debian package from a built tree, checks it with Debian's own
# tools (lintian, appstreamcli, desktop-file-validate, where installed), unpacks
# it into a scratch root (dpkg -x, nothing is installed on this machine) and
# runs the programs from there: they must find the packaged serial-link library
# and no other.
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

# Debian's checker, errors and warnings failing; its notes are shown.
if command -v lintian >/dev/null; then
    lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.log" 2>&1 ||
        fail "lintian: $(cat "$work/lintian.log")"
    grep -v 'running with root privileges' "$work/lintian.log" | sed 's/^/lintian: /' || true
    # Its notes on hardening say a program lacks Debian's hardening flags.
    if grep ' hardening-no-' "$work/lintian.log" >&2; then fail "built without Debian's hardening flags"; fi
else
    echo "lintian is not installed (package lintian): not checked"
fi
# No maintainer scripts: the private library needs no ldconfig, and a package
# without a postrm (and without conffiles) leaves nothing behind on removal.
dpkg-deb --control "$deb" "$work/control"
for script in preinst postinst prerm postrm conffiles triggers; do
    [ ! -e "$work/control/$script" ] || fail "the package has a $script: $(cat "$work/control/$script")"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
usr="$root/usr"
libdir=lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null)/tarvel
metainfo=share/metainfo/org.example.tarvel
for file in bin/TarvelGraph bin/tarvel bin/fcsim bin/flightgen $libdir/libfltport.so \
            share/applications/tarvelgraph.desktop share/icons/hicolor/scalable/apps/tarvelgraph.svg \
            $metainfo.tarvelgraph.metainfo.xml share/mime/packages/tarvel-record.xml \
            share/man/man1/TarvelGraph.1.gz share/man/man1/tarvel.1.gz share/man/man1/fcsim.1.gz \
            share/man/man1/flightgen.1.gz share/doc/tarvel/copyright share/doc/tarvel/changelog.gz \
            share/tarvel/examples/small_motor.rcd share/tarvel/examples/README.md; do
    [ -e "$usr/$file" ] || fail "the package lacks /usr/$file"
done
# The downloader's entry, page and metadata come with the downloader, never without it.
for file in share/applications/vxoem.desktop share/man/man1/VXOEM.1.gz $metainfo.vxoem.metainfo.xml; do
    if [ -e "$usr/bin/VXOEM" ] && [ ! -e "$usr/$file" ]; then
        fail "VXOEM without /usr/$file"
    elif [ ! -e "$usr/bin/VXOEM" ] && [ -e "$usr/$file" ]; then
        fail "/usr/$file for a VXOEM that is not there"
    fi
done

# The newest entries of the changelog and of the metadata name this version.
zcat "$usr/share/doc/tarvel/changelog.gz" | head -1 | grep -q "^tarvel ($version) " ||
    fail "the changelog's newest entry is not $version: $(zcat "$usr/share/doc/tarvel/changelog.gz" | head -1)"
for file in "$usr"/share/metainfo/*.metainfo.xml; do
    grep -m1 '<release ' "$file" | grep -q "version=\"$version\"" ||
        fail "$(basename "$file"): the newest release is not $version"
    # Each names a desktop entry of the package as what it launches.
    entry=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$file")
    [ -n "$entry" ] && [ -e "$usr/share/applications/$entry" ] ||
        fail "$(basename "$file") launches '$entry', which is not in the package"
done
if command -v appstreamcli >/dev/null; then
    # The screenshots are on the project's site, which need not be reachable from here.
    appstreamcli validate --no-net --pedantic "$usr"/share/metainfo/*.metainfo.xml >"$work/appstream.log" 2>&1 ||
        fail "appstreamcli: $(cat "$work/appstream.log")"
else
    echo "appstreamcli is not installed (package appstream): not checked"
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
"$(dirname "$0")/run_path_test.sh" "$usr/$libdir/libfltport.so" "${packaged[@]}" >/dev/null ||
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
mv "$usr/$libdir/libfltport.so" "$work/"
if out=$(download "$work/no-library"); then fail "tarvel download worked without the packaged library"; fi
grep -q "could not be loaded" <<<"$out" || fail "no clear error without the library: $out"
mv "$work/libfltport.so" "$usr/$libdir/"
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
