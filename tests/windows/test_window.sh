#!/usr/bin/env bash
# The installer and the installed window under Wine, as a surveyor uses them:
#   test_window.sh SETUP.exe LINUX_PLOTAKTAR_CLI WINDOWS_BUILD WORK_DIR
# In a fresh Wine prefix under WORK_DIR and on an X display of its own (Xvfb with openbox):
# installs silently, drives plotaktar.exe with xdotool (AÇ, the two names typed into the open
# dialogs, KAYDET, a name typed into the save dialog) and compares the plot file with what the
# Linux plotaktar-cli's `run` writes for the same session, then saves over the geometry file
# (refused, nothing written); opens a drawing of 1,000,000 records
# and copies the last row of its biggest page; shows the sample on the "Ada Parsel" page in
# WORK_DIR/window-ada-parsel.png; uninstalls silently and compares the prefix's files and
# registry keys with those before the install. Names typed into the dialogs are ASCII. The grid's
# own tests (string_grid_test.exe), which need a display, run there first.
set -euo pipefail

if [ $# -ne 4 ]; then
    echo "usage: $0 SETUP.exe LINUX_PLOTAKTAR_CLI WINDOWS_BUILD WORK_DIR" >&2
    exit 2
fi
setup=$(realpath "$1")
cli=$(realpath "$2")
windows_build=$(realpath "$3")
work=$4
source_dir=$(realpath "$(dirname "$0")/../..")
WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver64}

rm -rf "$work"
mkdir -p "$work/linux"
work=$(realpath "$work")
case "$work$source_dir" in
    *[![:print:]]* | *[![:ascii:]]*)
        echo "$0: the dialogs are typed into with ASCII names: $work and $source_dir must be ASCII" >&2
        exit 2
        ;;
esac
# Z: is the Unix root under Wine.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

export WINEPREFIX=$work/prefix WINEDEBUG=-all
# No Mono or Gecko prompts, and no menu entries of the installed shortcuts on this machine.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

pids=()
cleanup() {
    "$WINESERVER" -k 2>/dev/null || true
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    import -window root "$work/failure.png" 2>/dev/null && echo "(screen: $work/failure.png)" >&2
    exit 1
}

# An X display of its own, with a window manager.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -n 1 "$work/display")
openbox >/dev/null 2>&1 &
pids+=($!)

# The id of the visible window whose name matches the pattern, when one comes within the
# timeout; an optional widest width tells a message box from the progress window of the same
# name.
wait_window() {
    local pattern=$1 timeout=${2:-60} narrower=${3:-100000}
    local end=$((SECONDS + timeout))
    while [ $SECONDS -lt $end ]; do
        for id in $(xdotool search --onlyvisible --name "$pattern" 2>/dev/null); do
            local WIDTH=0
            eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null | grep WIDTH)"
            if [ "$WIDTH" -lt "$narrower" ]; then
                echo "$id"
                return 0
            fi
        done
        sleep 0.1
    done
    echo "no window \"$pattern\" within $timeout s" >&2
    return 1
}

wait_gone() {
    local id=$1 end=$((SECONDS + 60))
    while [ $SECONDS -lt $end ]; do
        xdotool getwindowname "$id" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    fail "window $id still open"
}

# Clicks the window's client point (x, y), in the form's designed pixels (96 dpi here).
click() {
    local X Y
    xdotool windowactivate --sync "$form" 2>/dev/null || true
    # The client area's place on the screen (xdotool's own adds the frame's offset twice).
    X=$(xwininfo -id "$form" | sed -n 's/.*Absolute upper-left X: *//p')
    Y=$(xwininfo -id "$form" | sed -n 's/.*Absolute upper-left Y: *//p')
    xdotool mousemove --sync $((X + $1)) $((Y + $2))
    sleep 0.3
    xdotool mousedown 1
    sleep 0.2
    xdotool mouseup 1
}

# Clicks a button until the window it opens comes (Wine may take the first click after a box
# closed as the one that activates the window); prints the window's id.
click_for() {
    local pattern=$1 x=$2 y=$3 id
    for _ in 1 2 3; do
        click "$x" "$y"
        id=$(wait_window "$pattern" 10 2>/dev/null) && { echo "$id"; return 0; }
    done
    fail "no window \"$pattern\" after clicking ($x, $y)"
}

type_into() {
    local dialog=$1 text=$2
    xdotool windowactivate --sync "$dialog" 2>/dev/null || true
    sleep 0.5
    # The name box holds the remembered name: replaced by the typed one.
    xdotool key Home shift+End Delete
    xdotool type --delay 5 "$text"
    xdotool key Return
    wait_gone "$dialog"
}

# A message box of the window: "Plotaktar", narrower than the progress window.
wait_box() { wait_window '^Plotaktar$' "${1:-60}" 300; }

close_box() {
    xdotool windowactivate --sync "$1" 2>/dev/null || true
    xdotool key Return
    wait_gone "$1"
}

open_drawing() {
    local dialog
    dialog=$(click_for 'Geometri' 40 25)  # AÇ
    type_into "$dialog" "$1"
    dialog=$(wait_window '\.yaz\)')
    type_into "$dialog" "$2"
    opened_at=$(date +%s.%N)
}

# The prefix's files (but the system's and temporary ones) and registry keys, but those that
# the system keeps for itself: the file dialogs' recent folders and Explorer's settings (the
# window used the dialogs), the network cards Wine finds or not.
snapshot() {
    "$WINESERVER" -w
    (cd "$WINEPREFIX/drive_c" && find . -path ./windows -prune -o -ipath '*/temp' -prune -o -print | sort)
    sed -n 's/^\(\[.*\]\) [0-9]*$/\1/p' "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" |
        grep -v -F -e 'Explorer\\ComDlg32' -e 'Explorer\\Advanced]' -e '\\NetworkCards]' | sort
}

echo "window: a fresh Wine prefix"
"$WINE" wineboot --init >/dev/null 2>&1
snapshot >"$work/before.txt"

echo "window: the grid's own tests"
"$WINE" "$windows_build/tests/windows/string_grid_test.exe" >"$work/string_grid_test.log" 2>&1 ||
    { cat "$work/string_grid_test.log"; fail "string_grid_test"; }
grep -a 'PASSED' "$work/string_grid_test.log"

echo "window: silent install"
"$WINE" "$setup" /S
"$WINESERVER" -w
install_dir="$WINEPREFIX/drive_c/Program Files/Plotaktar"
for file in plotaktar.exe plotaktar-cli.exe uninstall.exe; do
    [ -f "$install_dir/$file" ] || fail "$file not installed"
done
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
[ -f "$menu/Plotaktar.lnk" ] || fail "no Start-menu entry Plotaktar"
ls "$menu" | grep -q -i 'plotaktar.*\(komut\|command\)' || fail "no command prompt entry"
for key in '\[Software\\\\Classes\\\\.gplt\]' '\[Software\\\\Classes\\\\Plotaktar.Geometry\\\\DefaultIcon\]' \
           '\[Software\\\\Classes\\\\.yaz\]' '\[Software\\\\Classes\\\\.yfn\]' \
           '\[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Plotaktar\]'; do
    grep -q "$key" "$WINEPREFIX/system.reg" || fail "registry key $key missing"
done
grep -A2 '^\[Software\\\\Classes\\\\.gplt\]' "$WINEPREFIX/system.reg" | grep -q '@="Plotaktar.Geometry"' ||
    fail ".gplt does not name its file type"
if grep -A3 '^\[Software\\\\Classes\\\\Plotaktar.Geometry' "$WINEPREFIX/system.reg" | grep -q -i 'shell'; then
    fail "the file types have an open command"
fi

echo "window: the sample through the installed window"
"$WINE" "C:\\Program Files\\Plotaktar\\plotaktar.exe" &
app=$!
form=$(wait_window 'VOLDA$')
sleep 1
mkdir -p "$work/sample"
cp "$source_dir"/samples/pafta12.* "$work/sample/"
open_drawing "$(windows_path "$work/sample/pafta12.gplt")" "pafta12.yaz"  # beside the first
box=$(wait_box)
close_box "$box"  # dosya açıldı
dialog=$(click_for 'Save|Kaydet|Farkl' 108 24)  # KAYDET
type_into "$dialog" "$(windows_path "$work/window")"
box=$(wait_box)
close_box "$box"  # kayıt bitti
(cd "$work/linux" && "$cli" run open "$source_dir/samples/pafta12.gplt" \
    "$source_dir/samples/pafta12.yaz" save window >/dev/null)
cmp "$work/window.plt" "$work/linux/window.plt" || fail "the window's plot file differs from Linux's"
# A save over the open drawing's geometry file is refused in a box, and writes nothing.
dialog=$(click_for 'Save|Kaydet|Farkl' 108 24)
type_into "$dialog" "$(windows_path "$work/sample/pafta12.gplt")"
box=$(wait_window '^Plotaktar$')
close_box "$box"
cmp "$work/sample/pafta12.gplt" "$source_dir/samples/pafta12.gplt" ||
    fail "a save over the open drawing's geometry file wrote it"

# The "Ada Parsel" page: four pages before the front page ("Ada Parsel Köşe").
click 600 400
for _ in 1 2 3 4; do
    xdotool key ctrl+shift+Tab
done
sleep 1
import -window "$form" "$work/window-ada-parsel.png"

echo "window: a drawing of 1,000,000 records"
"$WINE" "$windows_build/tests/windows/windows_gen_drawing.exe" 1000000 1 \
    "$(windows_path "$work/big")" >/dev/null 2>&1
open_drawing "$(windows_path "$work/big.gplt")" "$(windows_path "$work/big.yaz")"
box=$(wait_box 300)
seconds=$(python3 -c "import sys; print(float(sys.argv[1]) - float(sys.argv[2]))" "$(date +%s.%N)" "$opened_at")
close_box "$box"
# Its biggest page, the lines ("Hat", the fourth), from the "Ada Parsel" page: to the end and
# its last row copied.
click 600 400
for _ in 1 2 3; do
    xdotool key ctrl+shift+Tab
done
xdotool key ctrl+End shift+Home ctrl+c
sleep 1
"$WINE" "$windows_build/tests/windows/clipboard_text.exe" >"$work/last-row.txt"
(cd "$work/linux" && "$cli" run open "$work/big.gplt" "$work/big.yaz" dump big.json >/dev/null)
# The dump's last row of StringGrid5 (the lines), less its row number, tab-separated.
grep -B2 '"StringGrid6"' "$work/linux/big.json" | head -n 1 |
    python3 -c 'import json,sys; sys.stdout.write("\t".join(json.loads(sys.stdin.read().strip().rstrip(","))[1:]) + "\r\n")' \
    >"$work/last-row-expected.txt"
cmp "$work/last-row.txt" "$work/last-row-expected.txt" ||
    fail "the last row copied is \"$(cat -A "$work/last-row.txt")\", not \"$(cat -A "$work/last-row-expected.txt")\""
printf 'window: opened the 1,000,000-record drawing in %.1f s; its biggest page scrolled to its end\n' "$seconds"

xdotool windowactivate --sync "$form" key alt+F4
for _ in $(seq 100); do
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$app" 2>/dev/null && fail "the window did not close"

echo "window: silent uninstall"
"$WINE" "C:\\Program Files\\Plotaktar\\uninstall.exe" /S
snapshot >"$work/after.txt"
diff "$work/before.txt" "$work/after.txt" || fail "the uninstaller left the lines above behind"
echo "window: installed, converted as on Linux, uninstalled without a trace"
