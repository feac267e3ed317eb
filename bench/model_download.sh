#!/usr/bin/env bash
# Download throughput of "brindlewick models install" from a local HTTP server (127.0.0.1):
# download with SHA-1 while writing, fsync and rename, beside SHA-1 alone and the disk alone.
#   bench/model_download.sh [MEGABYTES]   (default 1024)
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"

[ -f "$BW_BUILD/build.ninja" ] || "$BW_ROOT/scripts/setup"
cmake --build "$BW_BUILD" --target bw_model_download_bench -j 2 >/dev/null
echo "load: $(uptime)"
"$BW_BUILD/bin/bw_model_download_bench" "${1:-1024}"
