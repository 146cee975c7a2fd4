#!/bin/sh
# The archive benchmark: DRAWINGS generated drawings of 1,000 to 20,000 records (2,000 by
# default; made once in BUILD/archive-DRAWINGS and reused) converted three ways, each into an
# output tree of its own: `plotaktar-cli batch -j 1`, `batch -j 2`, and a shell loop that runs
# `plotaktar-cli convert` once per drawing. The three trees must hold the same bytes.
#
#   bench/archive_bench.sh BUILD [DRAWINGS]
set -eu
build=$1
count=${2:-2000}
gen=$build/bench/gen_drawing
cli=$(readlink -f "$build/src/cli/plotaktar-cli")
dir=$(readlink -f "$build")/archive-$count

if [ ! -f "$dir/complete" ] || [ "$gen" -nt "$dir/complete" ]; then
    echo "generating $count drawings in $dir ..."
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

now() { date +%s.%N; }
seconds() { awk "BEGIN { print $2 - $1 }"; }
ratio() { awk "BEGIN { print $1 / $2 }"; }
records=$(cat "$dir"/drawings/*/*.gplt | tr -cd '\r' | wc -c)
inputs=$(du -sb "$dir/drawings" | cut -f1)
echo "== archive: $count drawings, $records geometry records, $inputs bytes of input; load: $(cut -d' ' -f1-3 /proc/loadavg)"
cat "$dir"/drawings/*/* >/dev/null  # every run finds the inputs in the page cache

for mode in j1 j2 loop; do
    rm -rf "$dir/out-$mode"
    mkdir -p "$dir/out-$mode"
done
# The loop's folders exist beforehand: the loop pays only for its conversions.
(cd "$dir/drawings" && for f in *; do mkdir -p "$dir/out-loop/$f"; done)

start=$(now)
"$cli" batch "$dir/drawings" -j 1 -o "$dir/out-j1" >/dev/null
j1=$(seconds "$start" "$(now)")

start=$(now)
"$cli" batch "$dir/drawings" -j 2 -o "$dir/out-j2" >/dev/null
j2=$(seconds "$start" "$(now)")

start=$(now)
(cd "$dir/drawings" && for f in */*.gplt; do
    "$cli" convert "$f" -o "$dir/out-loop/${f%.gplt}.plt" >/dev/null 2>&1
done)
loop=$(seconds "$start" "$(now)")

same=yes
diff -r "$dir/out-j1" "$dir/out-j2" >/dev/null || same=no
diff -r "$dir/out-j1" "$dir/out-loop" >/dev/null || same=no
outputs=$(find "$dir/out-j1" -name '*.plt' | wc -l)

printf '  %-28s %10.2f s\n' "batch -j 1" "$j1" "batch -j 2" "$j2" "shell loop of convert" "$loop"
printf '  %-28s %10.2f x  (target: at least 1.7)\n' "batch -j 1 / batch -j 2" "$(ratio "$j1" "$j2")"
printf '  %-28s %10.2f x  (target: at least 2)\n' "shell loop / batch -j 2" "$(ratio "$loop" "$j2")"
echo "  # $outputs plot files in each tree; the three trees hold the same bytes: $same; load after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "archive_batch_j1 $j1 s"
echo "archive_batch_j2 $j2 s"
echo "archive_loop $loop s"
echo "archive_identical $same"
[ "$same" = yes ]
