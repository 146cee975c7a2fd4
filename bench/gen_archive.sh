#!/bin/sh
# The archive of the benchmark: DRAWINGS generated drawings of 1,000 to 20,000 records (2,000 by
# default) in twenty folders under BUILD/archive-DRAWINGS/drawings, made once and reused.
# plotaktar_bench --archive times `batch -j 1`, `batch -j 2` and a shell loop of `convert` on
# them (the rows are in bench/bench_rows.cpp).
#
#   bench/gen_archive.sh BUILD [DRAWINGS]
set -eu
build=$1
count=${2:-2000}
gen=$build/bench/gen_drawing
dir=$(readlink -f "$build")/archive-$count

if [ ! -f "$dir/complete" ] || [ "$gen" -nt "$dir/complete" ]; then
    echo "generating $count drawings in $dir ..." >&2
    rm -rf "$dir"
    i=1
    while [ "$i" -le "$count" ]; do
        # Sizes spread evenly over 1,000 to 20,000 records, twenty folders.
        records=$((1000 + (i * 7919) % 19001))
        mkdir -p "$dir/drawings/f$((i % 20))"
        "$gen" "$records" "$i" "$dir/drawings/f$((i % 20))/d$i" 2>/dev/null
        i=$((i + 1))
    done
    touch "$dir/complete"
fi
cat "$dir"/drawings/*/* >/dev/null  # every run finds the inputs in the page cache
echo "$dir/drawings"
