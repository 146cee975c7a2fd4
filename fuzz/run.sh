#!/usr/bin/env bash
# Runs every fuzz target built in BUILD_DIR (each executable named *_fuzzer) for a bounded time,
# one after the other, on one core at low priority; reports any crash with the path of its
# reproducer and ends with a table of executions, executions a second, corpus size and findings.
#
#   fuzz/run.sh BUILD_DIR            (make fuzz does this)
#   FUZZ_SECONDS=600 FUZZ_TARGETS="import_fuzzer" fuzz/run.sh build-fuzz
#
# The corpus of each target grows in BUILD_DIR/corpus/<target> from run to run and is replayed
# first on every run; the seeds (samples/ and the test drawings for the import, text and corner
# targets; fuzz/seeds/<target>/ for any target that has such a folder) are rebuilt every run in
# BUILD_DIR/seeds/<target>. A crash leaves its input in BUILD_DIR/artifacts/<target>-crash-<sha1>;
# run the target with that file as its only argument to reproduce it. A target may have a
# dictionary fuzz/<target>.dict and libFuzzer options, one a line, in fuzz/<target>.options.
# With FUZZ_SEEDS_ONLY=1 (make fuzz-smoke) each target starts from its seeds alone, in a corpus
# folder emptied first (BUILD_DIR/smoke-corpus/<target>); the grown corpus is left alone.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: fuzz/run.sh BUILD_DIR}" && pwd)
seconds=${FUZZ_SECONDS:-60}
corpora=$build/corpus
if [ "${FUZZ_SEEDS_ONLY:-0}" = 1 ]; then
    corpora=$build/smoke-corpus
    rm -rf "$corpora"
fi
targets=${FUZZ_TARGETS:-$(find "$build" -maxdepth 1 -type f -name '*_fuzzer' -perm -u+x -printf '%f\n' | sort)}
separator=$'\x1E\x1E\x1E'

# One import seed: a control byte, then geometry, label and companion files between separators.
import_seed() {
    local out=$1 control=$2
    shift 2
    {
        printf "\\x$control"
        local first=1
        for file in "$@"; do
            [ $first = 1 ] || printf '%s' "$separator"
            first=0
            [ -f "$file" ] && cat "$file"
        done
    } >"$out"
}

make_seeds() {
    local seeds=$build/seeds
    rm -rf "$seeds"
    mkdir -p "$seeds"/{import_fuzzer,text_fuzzer,corner_fuzzer,table_fuzzer}
    local drawings=()
    for g in "$root"/samples/*.gplt "$root"/tests/cli/data/*/*.gplt; do
        [ -f "$g" ] && drawings+=("${g%.gplt}")
    done
    local n=0
    for d in "${drawings[@]}"; do
        n=$((n + 1))
        import_seed "$seeds/import_fuzzer/one-$n" 00 "$d.gplt" "$d.yaz" "$d.yfn"
        # Two imports, the second cancelling both dialogs, then a save.
        import_seed "$seeds/import_fuzzer/again-$n" 2d "$d.gplt" "$d.yaz" "$d.yfn"
        # Lines of the drawing as conversions, fields and corner cells.
        local i=0
        while IFS= read -r line && [ $i -lt 40 ]; do
            i=$((i + 1))
            printf '%s' "$line" >"$seeds/text_fuzzer/$n-$i"
            printf '%s' "${line#* }" >"$seeds/corner_fuzzer/$n-$i"
        done <"$d.gplt"
    done
    if [ ${#drawings[@]} -ge 2 ]; then
        local a=${drawings[0]} b=${drawings[1]}
        import_seed "$seeds/import_fuzzer/two" 21 "$a.gplt" "$a.yaz" "$a.yfn" "$b.gplt" "$b.yaz" "$b.yfn"
    fi
    i=0
    for t in 2147483647 -2147483648 2147483648 '$7FFFFFFF' '$80000000' 0x1f X1F ' 12' +007 - '$' \
        '1 512345.67 4512345.67 0.00' '  a   b c   d  e ' $'a\tb c' \
        "$(printf '7%.0s' {1..101})" "1 $(printf 'a%.0s' {1..120})"; do
        i=$((i + 1))
        printf '%s' "$t" >"$seeds/text_fuzzer/edge-$i"
        printf '%s' "$t" >"$seeds/corner_fuzzer/edge-$i"
    done
    printf 'table' >"$seeds/table_fuzzer/start"
    for dir in "$root"/fuzz/seeds/*/; do
        [ -d "$dir" ] || continue
        mkdir -p "$seeds/$(basename "$dir")"
        cp -f "$dir"* "$seeds/$(basename "$dir")/" 2>/dev/null
    done
}

make_seeds
mkdir -p "$build/artifacts" "$build/logs"
if [ -z "$targets" ]; then
    echo "no fuzz targets built in $build" >&2
    exit 1
fi
status=0
total=0
table=()
for target in $targets; do
    binary=$build/$target
    if [ ! -x "$binary" ]; then
        echo "$target: not built" >&2
        table+=("$target - - - not built")
        status=1
        continue
    fi
    mkdir -p "$corpora/$target" "$build/runs/$target" "$build/seeds/$target"
    options=(-max_total_time="$seconds" -jobs=1 -workers=1 -print_final_stats=1 -timeout=30
        -rss_limit_mb=2048 -artifact_prefix="$build/artifacts/$target-")
    [ -f "$root/fuzz/$target.dict" ] && options+=(-dict="$root/fuzz/$target.dict")
    if [ -f "$root/fuzz/$target.options" ]; then
        while IFS= read -r option; do
            [ -n "$option" ] && options+=("$option")
        done <"$root/fuzz/$target.options"
    fi
    log=$build/runs/$target/fuzz-0.log
    rm -f "$log"
    (cd "$build/runs/$target" &&
        nice -n 10 "$binary" "${options[@]}" "$corpora/$target" "$build/seeds/$target" \
            >"$build/logs/$target.out" 2>&1)
    cp -f "$log" "$build/logs/$target.log" 2>/dev/null
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" 2>/dev/null | tail -1)
    # The time libFuzzer itself took: a finding ends the run early.
    took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" 2>/dev/null | tail -1)
    units=$(find "$corpora/$target" -type f | wc -l)
    crash=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" 2>/dev/null | tail -1)
    total=$((total + ${runs:-0}))
    rate=$((${runs:-0} / (${took:-$seconds} > 0 ? ${took:-$seconds} : 1)))
    if [ -n "$crash" ] || ! grep -q '^Done ' "$log" 2>/dev/null; then
        status=1
        echo "$target: FINDING after ${runs:-?} executions"
        grep -m1 -E '^(SUMMARY|==[0-9]+==ERROR|invariant broken)' "$log" | sed 's/^/  /'
        echo "  reproducer: ${crash:-none written; see $build/logs/$target.log}"
        echo "  stack and log: $build/logs/$target.log"
        table+=("$target ${runs:-?} $rate $units 1")
    else
        echo "$target: ${runs} executions in ${seconds} s, no finding (corpus: $units inputs)"
        table+=("$target $runs $rate $units 0")
    fi
done
echo
printf '%-16s %12s %10s %8s %9s\n' target executions "per s" corpus findings
for row in "${table[@]}"; do
    # shellcheck disable=SC2086
    printf '%-16s %12s %10s %8s %9s\n' $row
done
echo "all targets: $total executions in ${seconds} s each, load average $(cut -d' ' -f1-3 /proc/loadavg)"
exit $status
