#!/usr/bin/env bash
# Runs the same plotaktar-cli sessions with the Linux build and with the Windows build under Wine,
# each in a fresh folder holding copies of the test drawings, and compares byte for byte what
# they leave: exit status, standard output, standard error and every file written.
#
# Usage: compare_cli.sh LINUX_CLI WINDOWS_CLI_EXE WORK_DIR
# WINE (default /usr/lib/wine/wine64), WINESERVER (default /usr/lib/wine/wineserver64),
# WINEPREFIX and WINEDEBUG come from the environment.
set -euo pipefail

linux=$(realpath "$1")
windows=$(realpath "$2")
work=$3
wine=${WINE:-/usr/lib/wine/wine64}
wineserver=${WINESERVER:-/usr/lib/wine/wineserver64}
root=$(cd "$(dirname "$0")/../.." && pwd)
data=$root/tests/cli/data

# One session a line; arguments are separated by blanks.
sessions=(
    "convert pafta12.gplt pafta12.yaz"
    "convert pafta12.gplt -o bare"
    "convert şehir.gplt ağaç.yaz -o çıktı"
    "convert bad_records.gplt"
    "convert c.gplt"
    "convert pafta12.gplt -o nowhere/x"
    "convert missing.gplt"
    "convert pafta12.gplt pafta12.plt"
    "run open a.gplt a.yaz save out1 dump state1.json open b.gplt - save out2.plt open - b.yaz save - dump state2.json"
    "run save empty dump state0.json open c.gplt - dump state1.json save out.plt dump missing/state.json open - - save out.plt"
    "export pafta12.gplt pafta12.yaz -o out.dxf --crs TM30"
    "export pafta12.gplt --no-labels -o bare.dxf"
    "export şehir.gplt ağaç.yaz --format dxf -o çıktı --crs EPSG:5254"
    "export bad_records.gplt -o bad.dxf --crs TM33"
    "export pafta12.gplt -o nowhere/x.dxf"
    "export pafta12.gplt -o pafta12.yaz.dxf --crs NOPE"
    "export pafta12.gplt -o geographic.dxf --crs EPSG:4326"
    "export pafta12.gplt -o geographic3d.dxf --crs EPSG:4979"
    "export pafta12.gplt -o geocentric.dxf --crs epsg:4978"
    "export pafta12.gplt -o vertical.dxf --crs EPSG:5773"
    "export pafta12.gplt -o compound.dxf --crs EPSG:9518"
    "export pafta12.gplt -o unknown.dxf --crs EPSG:99999"
    "export pafta12.gplt -o unknown.dxf --crs EPSG:2147483647"
    "--version"
    "convert"
)
# What only the Linux build has is refused, each with its words; --help lists what this build
# has.
refusals=(
    "needs the Linux build|export pafta12.gplt -o out.gpkg --crs TM30"
    "needs the Linux build|export pafta12.gplt -o out.dxf --crs TM30 --to EPSG:4326"
    "needs the Linux build|render pafta12.gplt -o out.png"
    "needs the Linux build|check pafta12.gplt"
    "needs the Linux build|batch pafta12.gplt"
    "needs the Linux build|diff pafta12.gplt pafta12.gplt"
)

populate() {
    mkdir -p "$1"
    cp "$root"/samples/pafta12.gplt "$root"/samples/pafta12.yaz "$root"/samples/pafta12.yfn "$1"/
    cp "$root"/samples/pafta12.gplt "$1/şehir.gplt"
    cp "$root"/samples/pafta12.yaz "$1/ağaç.yaz"
    cp "$root"/samples/pafta12.yfn "$1/ağaç.yfn"
    cp "$data"/session/*.gplt "$data"/session/*.yaz "$data"/session/a.yfn "$1"/
    cp "$data"/session/dot.yfn "$1/.yfn"
    cp "$data"/errors/c.gplt "$data"/convert/bad_records.gplt "$1"/
}

# Runs session I through both builds and compares what they leave; the verdict goes to
# WORK/verdict-I.
compare_session() {
    local i=$1 side dir
    local -a args
    read -r -a args <<<"${sessions[$i]}"
    for side in linux windows; do
        dir=$work/$side/$i
        populate "$dir/files"
        if [ "$side" = linux ]; then
            (cd "$dir/files" && "$linux" "${args[@]}") >"$dir/stdout" 2>"$dir/stderr" &&
                echo 0 >"$dir/status" || echo $? >"$dir/status"
        else
            (cd "$dir/files" && "$wine" "$windows" "${args[@]}") >"$dir/stdout" 2>"$dir/stderr" &&
                echo 0 >"$dir/status" || echo $? >"$dir/status"
        fi
    done
    if diff -r "$work/linux/$i" "$work/windows/$i" >"$work/diff-$i" 2>&1; then
        echo "same: plotaktar-cli ${sessions[$i]}" >"$work/verdict-$i"
    else
        { echo "DIFFERENT: plotaktar-cli ${sessions[$i]}"; cat "$work/diff-$i"; } >"$work/verdict-$i"
    fi
}

rm -rf "$work"
mkdir -p "$work"
status=0
# Wine's own services, the device host among them, start with the first program of a Wine
# session and write to that program's standard error: under load the device host has been seen
# to page-fault there, in the middle of a compared DXF export. They are started here, writing
# nowhere, in a session kept open until the comparison ends, so that the programs compared
# write only their own lines (and no program waits for the services to start again).
# A session already open (make test-windows keeps one) is used as it is.
if "$wineserver" -p 2>/dev/null; then
    trap '"$wineserver" -k 2>/dev/null || true' EXIT
fi
"$wine" wineboot >/dev/null 2>&1
# Two sessions at a time: most of a session's time is Wine starting the program, waiting.
for i in "${!sessions[@]}"; do
    if [ "$(jobs -rp | wc -l)" -ge 2 ]; then
        wait -n || true
    fi
    compare_session "$i" &
done
wait
for i in "${!sessions[@]}"; do
    if [ -f "$work/verdict-$i" ]; then
        cat "$work/verdict-$i"
        head -n 1 "$work/verdict-$i" | grep -q '^same: ' || status=1
    else
        echo "NOT RUN: plotaktar-cli ${sessions[$i]}"
        status=1
    fi
done
for refusal in "${refusals[@]}"; do
    words=${refusal%%|*}
    read -r -a args <<<"${refusal#*|}"
    dir=$work/refusal
    rm -rf "$dir"
    populate "$dir"
    if (cd "$dir" && "$wine" "$windows" "${args[@]}") >"$work/out" 2>"$work/err"; then
        echo "NOT REFUSED: plotaktar-cli.exe ${refusal#*|}"
        status=1
    elif ! grep -q "$words" "$work/err" || [ -n "$(find "$dir" -newer "$dir/pafta12.yfn" -name 'out*')" ]; then
        echo "WRONG REFUSAL: plotaktar-cli.exe ${refusal#*|}"
        cat "$work/err"
        status=1
    else
        echo "refused: plotaktar-cli.exe ${refusal#*|}"
    fi
done
if ! "$wine" "$windows" --help | grep -q "export GEOMETRY .* -o FILE.dxf" ||
    "$wine" "$windows" --help | grep -q "^       plotaktar-cli render"; then
    echo "WRONG HELP: plotaktar-cli.exe --help does not list what this build has"
    status=1
fi
exit $status
