#!/usr/bin/env bash
# Re-reading a generated library of 10,000 items after a change (goal: under 300 ms), and the
# wall time of "brindlewick library list" on it.
#   bench/library.sh [COUNT]
# The generated library is cached in build/bench-library (BW_BENCH_LIBRARY overrides it).
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"

count="${1:-10000}"
library="${BW_BENCH_LIBRARY:-$BW_BUILD/bench-library}"

[ -f "$BW_BUILD/build.ninja" ] || "$BW_ROOT/scripts/setup"
cmake -S "$BW_ROOT" -B "$BW_BUILD" >/dev/null
cmake --build "$BW_BUILD" --target bw_library_bench brindlewick -j 2 >/dev/null

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
"$BW_BUILD/bin/bw_library_bench" "$library" "$count"

times=()
cpu=()
for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    /usr/bin/time -f "%U %S" -o "$BW_BUILD/bench-library-time" \
        "$BW_BUILD/bin/brindlewick" library list --library "$library" >/dev/null
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000000 )))
    cpu+=($(awk '{ printf "%d", ($1 + $2) * 1000 }' "$BW_BUILD/bench-library-time"))
done
median() { printf '%s\n' "$@" | sort -n | sed -n 3p; }
echo "brindlewick library list, 5 runs: wall ${times[*]} ms (median $(median "${times[@]}")), cpu ${cpu[*]} ms (median $(median "${cpu[@]}"))"
