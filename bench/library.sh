#!/usr/bin/env bash
# Re-reading a generated library of 10,000 items after a change (goal: under 300 ms), the
# wall time of "brindlewick library list" on it, and "brindlewick library groups" on a library
# of 100,000 groups (goal: under a second).
#   bench/library.sh [COUNT [GROUPS]]
# The generated libraries are cached in build/bench-library (BW_BENCH_LIBRARY overrides it)
# and build/bench-groups-GROUPS.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"

count="${1:-10000}"
group_count="${2:-100000}"
library="${BW_BENCH_LIBRARY:-$BW_BUILD/bench-library}"

[ -f "$BW_BUILD/build.ninja" ] || "$BW_ROOT/scripts/setup"
cmake -S "$BW_ROOT" -B "$BW_BUILD" >/dev/null
cmake --build "$BW_BUILD" --target bw_library_bench brindlewick -j 2 >/dev/null

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
"$BW_BUILD/bin/bw_library_bench" "$library" "$count"

median() { printf '%s\n' "$@" | sort -n | sed -n 3p; }

# Runs "brindlewick library ARGUMENTS..." five times and prints wall and processor times,
# headed by LABEL.
time_command() {
    local label="$1"
    shift
    local times=() cpu=()
    for _ in 1 2 3 4 5; do
        start=$(date +%s%N)
        /usr/bin/time -f "%U %S" -o "$BW_BUILD/bench-library-time" \
            "$BW_BUILD/bin/brindlewick" library "$@" >/dev/null
        end=$(date +%s%N)
        times+=($(( (end - start) / 1000000 )))
        cpu+=($(awk '{ printf "%d", ($1 + $2) * 1000 }' "$BW_BUILD/bench-library-time"))
    done
    echo "$label, 5 runs: wall ${times[*]} ms (median $(median "${times[@]}")), cpu ${cpu[*]} ms (median $(median "${cpu[@]}"))"
}

time_command "brindlewick library list" list --library "$library"

groups_library="$BW_BUILD/bench-groups-$group_count"
if [ ! -f "$groups_library/groups.json" ]; then
    mkdir -p "$groups_library"
    python3 - "$groups_library/groups.json" "$group_count" <<'PY'
import json, sys, uuid
groups = [{"id": str(uuid.UUID(int=i + 1)).upper(), "name": "Group %06d" % i,
           "createdAt": "2025-01-01T00:00:00Z"} for i in range(int(sys.argv[2]))]
json.dump({"version": 1, "groups": groups}, open(sys.argv[1], "w"))
PY
fi
time_command "brindlewick library groups, $group_count groups" groups --library "$groups_library"
