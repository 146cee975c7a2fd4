#!/usr/bin/env bash
# Installs the Debian package DEB with apt-get, checks the installed programs and desktop files
# as a user would (in a temporary folder, programs from PATH), and removes the package again,
# also when a check fails. Every check prints its name and PASS or FAIL; the exit status is 1
# when any check failed.
#
# Usage: tests/package/test_installed.sh DEB SOURCE_DIR
set -uo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 DEB SOURCE_DIR" >&2
    exit 2
fi
deb=$(realpath "$1")
source_dir=$(realpath "$2")
version=$(dpkg-deb -f "$deb" Version)
if [ "$(id -u)" != 0 ]; then
    echo "$0: installing a package needs root" >&2
    exit 2
fi

work=$(mktemp -d)
failed=()

# Runs on every exit; a removal that fails makes the whole test fail.
remove_package() {
    local status=$?
    cd /
    echo "--- removing the package"
    if ! DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq plotaktar >/dev/null; then
        echo "FAIL  apt-get remove plotaktar"
        status=1
    fi
    if [ -e /usr/bin/plotaktar-cli ]; then
        echo "FAIL  /usr/bin/plotaktar-cli is still there after the removal"
        status=1
    fi
    rm -rf "$work"
    exit $status
}
trap remove_package EXIT

# check NAME COMMAND...: runs COMMAND, prints NAME with PASS or FAIL and, on failure, the
# command's output.
check() {
    local name=$1 output
    shift
    if output=$("$@" 2>&1); then
        echo "PASS  $name"
    else
        echo "FAIL  $name"
        printf '%s\n' "$output" | head -n 20 | sed 's/^/      /'
        failed+=("$name")
    fi
}

# expect_output EXPECTED COMMAND...: the command succeeds and prints exactly EXPECTED.
expect_output() {
    local expected=$1 actual
    shift
    actual=$("$@") || return 1
    if [ "$actual" != "$expected" ]; then
        printf 'expected: %s\nactual:   %s\n' "$expected" "$actual"
        return 1
    fi
}

# The command prints `expected` somewhere in its output.
output_contains() {
    local expected=$1 actual
    shift
    actual=$("$@") || return 1
    grep -qF -- "$expected" <<<"$actual" || { echo "not in the output: $expected"; return 1; }
}

# A window program that is still running after a few seconds has started.
keeps_running() {
    QT_QPA_PLATFORM=offscreen timeout 3 "$@"
    local status=$?
    [ $status -eq 124 ] || { echo "ended with status $status"; return 1; }
}

file_type_is() {
    expect_output "$1" file --brief --mime-type "$2"
}

# xdg-mime asks `mimetype` (shared-mime-info's data through File::MimeInfo) on a desktop it does
# not know, and `gio` under GNOME: both must name the same type.
xdg_type_is() {
    expect_output "$1" xdg-mime query filetype "$2" &&
        expect_output "$1" env XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$2"
}

xdg_type_is_not() {
    local type
    for desktop in X-Generic GNOME; do
        type=$(XDG_CURRENT_DESKTOP=$desktop xdg-mime query filetype "$2") || return 1
        if [ "$type" = "$1" ]; then
            echo "$2 is called $type on $desktop"
            return 1
        fi
    done
}

man_page_shows() {
    local page
    page=$(MANWIDTH=100 man "$1" 2>/dev/null | col -b) || return 1
    shift
    for text in "$@"; do
        grep -qF -- "$text" <<<"$page" || { echo "not in the page: $text"; return 1; }
    done
}

check "lintian: no errors" lintian --fail-on error "$deb"

echo "--- installing $deb"
# A minimal image may exclude manual pages from every package (dpkg path-exclude); ours are
# included again so that `man` finds them.
if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --reinstall --no-install-recommends \
        -o DPkg::Options::=--path-include=/usr/share/man/man1/plotaktar* "$deb" >/dev/null; then
    echo "FAIL  apt-get install $deb"
    exit 1
fi
echo "PASS  apt-get install $deb"

cd "$work"
cp "$source_dir"/samples/pafta12.gplt "$source_dir"/samples/pafta12.yaz \
    "$source_dir"/samples/pafta12.yfn .
printf 'IN;SP1;PU0,0;PD1000,0,1000,1000,0,1000,0,0;PU;SP0;\n' >hpgl.plt

check "plotaktar-cli --version" expect_output "plotaktar-cli $version" plotaktar-cli --version
check "plotaktar-view --version" expect_output "plotaktar-view $version" plotaktar-view --version
check "plotaktar is on PATH" expect_output /usr/bin/plotaktar command -v plotaktar
check "plotaktar starts" keeps_running plotaktar
check "plotaktar-cli convert" plotaktar-cli convert pafta12.gplt pafta12.yaz
check "convert wrote the sample's plot file" cmp pafta12.plt "$source_dir"/tests/cli/data/pafta12.plt
check "plotaktar-cli render PNG" plotaktar-cli render pafta12.gplt pafta12.yaz -o pafta12.png
check "render wrote a PNG" file_type_is image/png pafta12.png
check "plotaktar-cli render SVG" plotaktar-cli render pafta12.gplt pafta12.yaz -o pafta12.svg
check "render wrote an SVG" file_type_is image/svg+xml pafta12.svg
check "plotaktar-cli render PDF" plotaktar-cli render pafta12.gplt pafta12.yaz -o pafta12.pdf
check "render wrote a PDF" file_type_is application/pdf pafta12.pdf
# The sample's three parcels miss their declared areas: status 3 and three parcel-area errors.
check_finds_parcel_areas() {
    local out status
    out=$(plotaktar-cli check pafta12.gplt pafta12.yaz)
    status=$?
    [ "$status" = 3 ] && [ "$(printf '%s\n' "$out" | grep -c ': error: parcel-area: ')" = 3 ]
}
check "plotaktar-cli check (plotaktar-check from libexec)" check_finds_parcel_areas
# plotaktar-view loads GDAL only with the module of its exchange formats, when it first exports.
check "plotaktar-view's exchange formats module is in libexec" \
    test -f /usr/libexec/plotaktar/plotaktar-view-gis.so
for format in dxf gpkg shp geojson kml; do
    check "plotaktar-cli export $format" \
        plotaktar-cli export pafta12.gplt pafta12.yaz --crs TM30 -o pafta12-export.$format
done
check "export wrote a DXF that GDAL reads" output_contains "Layer (String) = NİRENGİ" \
    ogrinfo -ro -al -q pafta12-export.dxf
check "export wrote a GeoPackage in EPSG:5254" output_contains 'ID["EPSG",5254]' \
    ogrinfo -ro -so pafta12-export.gpkg noktalar
check "export wrote a Shapefile set" test -s pafta12-export-parseller.dbf
check "export wrote GeoJSON" output_contains '"type": "FeatureCollection"' cat pafta12-export.geojson
check "export wrote KML" output_contains '<name>N.12</name>' cat pafta12-export.kml
check "the package depends on GDAL" output_contains libgdal dpkg-deb -f "$deb" Depends
check "the package depends on GDAL 3.6 exactly (its read driver)" \
    output_contains "libgdal32 (<< 3.7)" dpkg-deb -f "$deb" Depends
check "ogrinfo opens the drawing through the installed read driver" \
    output_contains "using driver \`PLOTAKTAR' successful" \
    env -u GDAL_DRIVER_PATH -u GDAL_SKIP ogrinfo -ro -so pafta12.gplt
check "ogrinfo reads the drawing's labels" output_contains "Feature Count: 11" \
    env -u GDAL_DRIVER_PATH ogrinfo -ro -so pafta12.gplt yazilar
check "the package depends on SQLite (the GeoPackage's spatial index)" \
    output_contains libsqlite3 dpkg-deb -f "$deb" Depends

check "xdg-mime: .gplt" xdg_type_is application/x-plotaktar-geometry pafta12.gplt
check "xdg-mime: .yaz" xdg_type_is application/x-plotaktar-labels pafta12.yaz
check "xdg-mime: .yfn" xdg_type_is application/x-plotaktar-label-companion pafta12.yfn
check "xdg-mime: .plt" xdg_type_is application/x-plotaktar-plot pafta12.plt
check "xdg-mime: HP-GL .plt is not ours" xdg_type_is_not application/x-plotaktar-plot hpgl.plt
check "plot files open in plotaktar-view" expect_output org.plotaktar.PlotaktarView.desktop \
    xdg-mime query default application/x-plotaktar-plot
check "drawings open in plotaktar-view" expect_output org.plotaktar.PlotaktarView.desktop \
    xdg-mime query default application/x-plotaktar-geometry

for id in org.plotaktar.Plotaktar org.plotaktar.PlotaktarView; do
    check "desktop-file-validate $id.desktop" \
        desktop-file-validate /usr/share/applications/$id.desktop
    check "appstreamcli validate $id.metainfo.xml" \
        appstreamcli validate --no-net /usr/share/metainfo/$id.metainfo.xml
done
check "icon in hicolor" test -s /usr/share/icons/hicolor/scalable/apps/plotaktar.svg

check "man -w plotaktar-cli" man -w plotaktar-cli
check "man plotaktar-cli: commands and exit status" man_page_shows plotaktar-cli \
    "convert GEOMETRY" "run STEP" "render" "open GEOMETRY LABELS" "save OUTPUT" \
    "dump STATE.json" "--help" "--version" "EXIT STATUS"
check "man -w plotaktar" man -w plotaktar
check "man -w plotaktar-view" man -w plotaktar-view

if [ ${#failed[@]} -ne 0 ]; then
    echo "--- ${#failed[@]} checks failed:"
    printf '  %s\n' "${failed[@]}"
    exit 1
fi
echo "--- all checks passed"
