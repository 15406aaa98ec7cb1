#!/bin/sh
# Installs a built kvizor tree into a temporary directory, as a package would
# lay it out under /usr, and checks what lands there:
#   - the program, desktop entry, metainfo, icons, demo round, manual page,
#     copyright and changelog;
#   - nothing outside the places kvizor owns;
#   - the desktop entry, metainfo and icons agree with each other;
#   - desktop-file-validate and appstreamcli accept the installed files.
#
#   check-install.sh BUILD_DIR
#
# Exit status: 0 all good, 1 something is wrong, 2 usage, 77 a validator is
# not installed (the test is skipped). CMAKE names the cmake to use.
set -u

if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
build=$1
cmake=${CMAKE:-cmake}

for tool in desktop-file-validate appstreamcli; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        [ -z "${KVIZOR_E2E_STRICT:-}" ] || { echo "FAIL: $tool is not installed (the test command installs it)"; exit 1; }
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

app_id=io.github.kvizor.kvizor
stage=$(mktemp -d "${TMPDIR:-/tmp}/kvizor-install.XXXXXX") || exit 1
trap 'rm -rf "$stage"' EXIT
usr=$stage/usr

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! "$cmake" --install "$build" --prefix "$usr" >"$stage/install.log" 2>&1; then
    cat "$stage/install.log"
    echo "FAIL: cmake --install $build failed"
    exit 1
fi

# --- what must be there ----------------------------------------------------

[ -x "$usr/bin/kvizor" ] || fail "bin/kvizor is missing or not executable"
for f in \
    share/applications/$app_id.desktop \
    share/metainfo/$app_id.metainfo.xml \
    share/icons/hicolor/16x16/apps/kvizor.png \
    share/icons/hicolor/32x32/apps/kvizor.png \
    share/icons/hicolor/scalable/apps/kvizor.svg \
    share/kvizor/examples/1.txt \
    share/kvizor/examples/1o.txt \
    share/kvizor/examples/1/1.png \
    share/kvizor/examples/1/9o.png \
    share/kvizor/examples/sheet.csv \
    share/man/man6/kvizor.6.gz \
    share/doc/kvizor/copyright \
    share/doc/kvizor/changelog.gz
do
    [ -s "$usr/$f" ] || fail "$f is missing or empty"
done

# --- nothing else ----------------------------------------------------------
# A stray install rule (a test, a static library, a header) would end up in
# the package; only kvizor's own places may receive files. Programs named
# kvizor-* are kvizor's tools.

(cd "$usr" && find . ! -type d) | sed 's|^\./||' | while read -r f; do
    case $f in
        bin/kvizor | bin/kvizor-* | share/applications/$app_id.desktop | share/metainfo/$app_id.metainfo.xml | \
        share/icons/hicolor/*/apps/kvizor.* | share/kvizor/* | share/doc/kvizor/* | \
        share/man/man6/kvizor.6.gz) ;;
        *) echo "$f" ;;
    esac
done >"$stage/stray"
if [ -s "$stage/stray" ]; then
    fail "installed outside kvizor's places:"
    sed 's/^/    /' "$stage/stray"
fi

# --- the icons are the size their folder says ---------------------------------

png_size() {
    # Width and height from the IHDR chunk, bytes 16 to 23 of a PNG.
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d\n", $3 * 256 + $4, $7 * 256 + $8 }'
}
for size in 16 32; do
    icon=$usr/share/icons/hicolor/${size}x${size}/apps/kvizor.png
    [ -f "$icon" ] || continue
    got=$(png_size "$icon")
    [ "$got" = "${size}x${size}" ] || fail "hicolor/${size}x${size}/apps/kvizor.png is $got"
done

for f in share/man/man6/kvizor.6.gz share/doc/kvizor/changelog.gz; do
    [ -f "$usr/$f" ] || continue
    gzip -t "$usr/$f" 2>/dev/null || fail "$f is not gzipped"
done

# --- the desktop entry, the metainfo and the files agree ----------------------

desktop=$usr/share/applications/$app_id.desktop
metainfo=$usr/share/metainfo/$app_id.metainfo.xml
if [ -f "$desktop" ]; then
    key() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
    exec_cmd=$(key Exec | cut -d' ' -f1)
    [ -x "$usr/bin/$exec_cmd" ] || fail "Exec=$exec_cmd is not an installed program"
    icon=$(key Icon)
    [ -f "$usr/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
        fail "Icon=$icon has no installed scalable icon"
fi
if [ -f "$metainfo" ]; then
    id=$(sed -n 's|.*<id>\(.*\)</id>.*|\1|p' "$metainfo" | head -n 1)
    [ "$id" = "$app_id" ] || fail "metainfo id is '$id', not $app_id"
    launchable=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")
    [ -f "$usr/share/applications/$launchable" ] ||
        fail "metainfo launchable '$launchable' is not an installed desktop entry"
    binary=$(sed -n 's|.*<binary>\(.*\)</binary>.*|\1|p' "$metainfo")
    [ -x "$usr/bin/$binary" ] || fail "metainfo binary '$binary' is not installed"
fi

# --- the validators --------------------------------------------------------

if [ -f "$desktop" ]; then
    echo "== desktop-file-validate $app_id.desktop"
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
fi
if [ -f "$metainfo" ]; then
    echo "== appstreamcli validate --no-net $app_id.metainfo.xml"
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo"
    echo "== appstreamcli validate-tree --no-net"
    appstreamcli validate-tree --no-net "$stage" || fail "appstreamcli rejects the installed tree"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "install staging: all checks passed"
