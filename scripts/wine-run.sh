#!/usr/bin/env bash
# CTest's cross-compiling emulator: runs one Windows program in the tests'
# prefix. The prefix folder comes from KIT_WINE_DIR, else build/wine beside
# the program's build tree.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
dir=${KIT_WINE_DIR:?KIT_WINE_DIR names the folder of the tests prefix}
wine_prefix_ready "$dir" >/dev/null
exe=$1; shift
wine_exec "$dir" "$WINE_BIN" "$exe" "$@"
