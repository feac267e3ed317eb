#!/usr/bin/env bash
# The search index over a generated library of 10,000 recordings of 300 segments (about three
# million segments): building it, the first 50 results of typical queries beside a plain scan
# of the JSON files, bringing it up to date after one transcript is saved; and one changed
# item in the window's list of 10,000 recordings.
#   bench/search.sh [COUNT [SEGMENTS]]
# The generated libraries are cached in build/bench-search-library and build/bench-list-library
# (BW_BENCH_SEARCH_LIBRARY and BW_BENCH_LIST_LIBRARY override them); generating the first takes
# a few minutes and 1.3 GB.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"

count="${1:-10000}"
segments="${2:-300}"
search_library="${BW_BENCH_SEARCH_LIBRARY:-$BW_BUILD/bench-search-library}"
list_library="${BW_BENCH_LIST_LIBRARY:-$BW_BUILD/bench-list-library}"

[ -f "$BW_BUILD/build.ninja" ] || "$BW_ROOT/scripts/setup"
cmake -S "$BW_ROOT" -B "$BW_BUILD" >/dev/null
cmake --build "$BW_BUILD" --target bw_search_bench bw_recording_list_bench -j 2 >/dev/null

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2-)"
"$BW_BUILD/bin/bw_search_bench" "$search_library" "$count" "$segments"
echo
"$BW_BUILD/bin/bw_recording_list_bench" "$list_library" "$count" 2>/dev/null
echo "load average afterwards: $(cut -d' ' -f1-3 /proc/loadavg)"
