# Shared settings for the scripts in this folder; sourced, not run.
set -euo pipefail
BW_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BW_BUILD="${BW_BUILD_DIR:-$BW_ROOT/build}"
BW_CACHE="${BW_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/brindlewick}"
# One compiler cache for every checkout of the project on this machine.
export CCACHE_DIR="${CCACHE_DIR:-$BW_CACHE/ccache}"
export CCACHE_BASEDIR="$BW_ROOT"
export CCACHE_NOHASHDIR=1
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-5G}"

bw_log() { printf '%s\n' "$*" >&2; }

bw_as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

bw_jobs() { nproc 2>/dev/null || echo 2; }
