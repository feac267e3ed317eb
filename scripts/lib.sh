# Shared settings for the scripts in this folder; sourced, not run.
set -euo pipefail
BW_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# BW_SANITIZE=1 builds with AddressSanitizer and UndefinedBehaviorSanitizer into a build folder
# of its own (build-sanitize/ unless BW_BUILD_DIR says otherwise); scripts/test then runs the
# suite there, and any sanitizer report fails the test that caused it.
if [ "${BW_SANITIZE:-0}" = 1 ]; then
    export BW_BUILD_DIR="${BW_BUILD_DIR:-$BW_ROOT/build-sanitize}"
    case " ${BW_CMAKE_ARGS:-} " in
        *" -DBW_SANITIZE=ON "*) ;;
        *) export BW_CMAKE_ARGS="-DBW_SANITIZE=ON ${BW_CMAKE_ARGS:-}" ;;
    esac
    export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1}"
    export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:abort_on_error=1:print_stacktrace=1}"
    export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$BW_ROOT/scripts/lsan-suppressions.txt}"
fi
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
