#!/usr/bin/env bash
# ogrinfo (not built with AddressSanitizer) on the hostile drawings of driver_test.py, the sample
# and the command-line tests' failing drawings, through the read driver of a build made with
# AddressSanitizer and UndefinedBehaviorSanitizer: GDAL's failure with our message is fine, a
# report of either sanitizer or a crash fails.
#
# Usage: asan_ogrinfo.sh PLUGIN_DIR
set -euo pipefail
plugin_dir=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf -- "$work"' EXIT
cp "$root"/samples/pafta12.gplt "$root"/samples/pafta12.yaz "$root"/samples/pafta12.yfn \
    "$root"/tests/cli/data/convert/bad_records.gplt "$root"/tests/cli/data/errors/c.gplt "$work"/
ROOT=$root /usr/bin/python3 - "$work" <<'PY'
import importlib.util, os, sys
loader_spec = importlib.util.spec_from_file_location(
    "driver_test", os.path.join(os.environ["ROOT"], "tests/ogr_driver/driver_test.py"))
sys.argv = [sys.argv[0], "", "", ""] + sys.argv[1:]
module = importlib.util.module_from_spec(loader_spec)
loader_spec.loader.exec_module(module)
for name, data in module.hostile_drawings().items():
    with open(os.path.join(sys.argv[4], name), "wb") as f:
        f.write(data)
PY
asan=$(gcc -print-file-name=libasan.so)
ubsan=$(gcc -print-file-name=libubsan.so)
status=0
for drawing in "$work"/*.gplt "$work"/*.plt; do
    set +e
    # Every feature, then those a spatial filter over all of them finds through the grid.
    GDAL_DRIVER_PATH=$plugin_dir LD_PRELOAD="$asan $ubsan" \
        ASAN_OPTIONS=detect_leaks=0:abort_on_error=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        ogrinfo -ro -al -q "$drawing" >/dev/null 2>"$work/err" &&
        GDAL_DRIVER_PATH=$plugin_dir LD_PRELOAD="$asan $ubsan" \
            ASAN_OPTIONS=detect_leaks=0:abort_on_error=0 \
            UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
            ogrinfo -ro -al -q -spat -1e300 -1e300 1e300 1e300 "$drawing" >/dev/null 2>>"$work/err"
    result=$?
    set -e
    if [ "$result" -gt 1 ] || grep -q 'ERROR: AddressSanitizer\|runtime error:' "$work/err"; then
        echo "FAIL  $(basename "$drawing") (status $result)"
        head -n 30 "$work/err"
        status=1
    else
        echo "PASS  $(basename "$drawing") (status $result)"
    fi
done
exit $status
