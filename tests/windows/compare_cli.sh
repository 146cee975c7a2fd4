#!/usr/bin/env bash
# Runs the same plotaktar-cli sessions with the Linux build and with the Windows build under Wine,
# each in a fresh folder holding copies of the test drawings, and compares byte for byte what
# they leave: exit status, standard output, standard error and every file written.
#
# Usage: compare_cli.sh LINUX_CLI WINDOWS_CLI_EXE WORK_DIR
# WINE (default /usr/lib/wine/wine64), WINEPREFIX and WINEDEBUG come from the environment.
set -euo pipefail

linux=$(realpath "$1")
windows=$(realpath "$2")
work=$3
wine=${WINE:-/usr/lib/wine/wine64}
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
    "--help"
    "--version"
    "convert"
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

rm -rf "$work"
status=0
for i in "${!sessions[@]}"; do
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
        echo "same: plotaktar-cli ${sessions[$i]}"
    else
        echo "DIFFERENT: plotaktar-cli ${sessions[$i]}"
        cat "$work/diff-$i"
        status=1
    fi
done
exit $status
