#!/usr/bin/env bash
# Private Wine prefixes kept under the build folder and reused: the tests'
# and the demo's. Sourced by the test command, the CTest emulator
# (wine-run.sh), the demo and the screenshot script.
#
#   wine_prefix_ready DIR [GRAPHICS]
#                           make DIR/prefix once (emulated drives d: to j:),
#                           give it the graphics driver GRAPHICS (null, the
#                           default, or x11) and start its wineserver
#   wine_exec DIR CMD...    run CMD inside the prefix as the test user
#   wine_user_can_reach DIR let the test user reach DIR (as root)
#
# With WINE_DISPLAY set, Wine processes get it as DISPLAY (and
# WINE_XAUTHORITY as XAUTHORITY): what an x11 prefix needs.
#
# As root the Wine processes run as uid/gid 65534: Wine run by root writes
# read-only files anyway, so access faults could not be tested otherwise.

WINE_BIN=/usr/lib/wine/wine64
WINESERVER_BIN=/usr/lib/wine/wineserver

# Emulated drives: letter, Wine drive kind. Each is a link to an empty folder
# DIR/media/<letter>; tests put a disc in by filling the folder and writing
# its .windows-label.
WINE_DRIVES="d:cdrom e:cdrom f:cdrom g:hd h:floppy i:network j:ramdisk"

# A small fixed drive k: on a 16 MiB file system of its own, mounted where
# root may mount one: an install there runs out of space for real.
WINE_SMALL_DRIVE=/tmp/kit-small-drive

wine_small_drive_ready() {
  mkdir -p "$WINE_SMALL_DRIVE"
  if [ "$(id -u)" -eq 0 ] && ! mountpoint -q "$WINE_SMALL_DRIVE"; then
    mount -t tmpfs -o size=16m,mode=1777 kit-small-drive "$WINE_SMALL_DRIVE" 2>/dev/null ||
      echo "wine-env: cannot mount the small drive; the test that needs it is skipped" >&2
  fi
  chmod 1777 "$WINE_SMALL_DRIVE" 2>/dev/null || true
}

wine_as_user() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid=65534 --regid=65534 --clear-groups "$@"
  else
    "$@"
  fi
}

wine_env() {
  local dir=$1; shift
  local display=()
  [ -n "${WINE_DISPLAY:-}" ] && display+=(DISPLAY="$WINE_DISPLAY")
  [ -n "${WINE_XAUTHORITY:-}" ] && display+=(XAUTHORITY="$WINE_XAUTHORITY")
  wine_as_user env -i PATH=/usr/bin:/bin HOME="$dir/home" WINEPREFIX="$dir/prefix" \
    WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 "${display[@]}" \
    KIT_MEDIA_DIR="$dir/media" KIT_DRIVES="$WINE_DRIVES" "$@"
}

# Every folder from DIR up to / must be searchable by the user the Wine
# processes run as.
wine_user_can_reach() {
  [ "$(id -u)" -eq 0 ] || return 0
  local d
  d=$(cd "$1" && pwd)
  while [ "$d" != / ]; do
    [ -n "$(find "$d" -maxdepth 0 -perm -o=x)" ] || chmod o+x "$d"
    d=$(dirname "$d")
  done
}

# Runs CMD with its output in a file, never a pipe: Wine's helper processes
# inherit the descriptors and would keep a reader waiting for ever.
wine_exec() {
  local dir=$1; shift
  local out err
  out=$(mktemp "$dir/log/out.XXXXXX")
  err=$(mktemp "$dir/log/err.XXXXXX")
  chmod 666 "$out" "$err"
  wine_env "$dir" "$@" >"$out" 2>"$err" </dev/null
  local rc=$?
  cat "$out"
  cat "$err" >&2
  rm -f "$out" "$err"
  return $rc
}

wine_reg_add() {
  local dir=$1 key=$2 name=$3 value=$4
  wine_env "$dir" "$WINE_BIN" reg add "$key" /v "$name" /d "$value" /f >>"$dir/log/setup.log" 2>&1 </dev/null
}

wine_server_start() {
  # A persistent server: later Wine processes connect to it instead of each
  # starting (and waiting for) one of their own.
  wine_env "$1" "$WINESERVER_BIN" -p >>"$1/log/setup.log" 2>&1 </dev/null || true  # already running
}

wine_server_stop() {
  wine_env "$1" "$WINESERVER_BIN" -k >/dev/null 2>&1 </dev/null || true
  wine_env "$1" "$WINESERVER_BIN" -w >/dev/null 2>&1 </dev/null || true
}

# Switches the prefix between the null graphics driver (no X server needed)
# and Wine's own choice, x11. The driver is read when the server and its
# services start, so a change begins again with a fresh server.
wine_graphics() {
  local dir=$1 graphics=$2 current=null
  [ -f "$dir/prefix/.kit-graphics" ] && current=$(cat "$dir/prefix/.kit-graphics")
  [ "$current" = "$graphics" ] && return 0
  case $graphics in
    null) wine_reg_add "$dir" 'HKCU\Software\Wine\Drivers' Graphics null ;;
    x11)
      wine_env "$dir" "$WINE_BIN" reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f \
        >>"$dir/log/setup.log" 2>&1 </dev/null || true ;;
    *) echo "wine-env: unknown graphics driver $graphics" >&2; return 1 ;;
  esac
  wine_server_stop "$dir"
  wine_env "$dir" sh -c 'echo "$1" >"$2"' - "$graphics" "$dir/prefix/.kit-graphics"
}

wine_prefix_ready() {
  local dir=$1 graphics=${2:-null}
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  wine_small_drive_ready
  if [ ! -f "$dir/prefix/.kit-ready-2" ]; then
    echo "wine-env: making the Wine prefix in $dir/prefix"
    [ -d "$dir/prefix" ] && wine_server_stop "$dir"
    rm -rf "$dir/prefix" "$dir/media" "$dir/home" "$dir/log"
    mkdir -p "$dir/home" "$dir/log" "$dir/media"
    [ "$(id -u)" -eq 0 ] && chown 65534:65534 "$dir" "$dir/home" "$dir/log" "$dir/media"
    wine_env "$dir" "$WINE_BIN" wineboot --init >>"$dir/log/setup.log" 2>&1 </dev/null
    wine_reg_add "$dir" 'HKCU\Software\Wine\Drivers' Graphics null
    local entry letter kind
    for entry in $WINE_DRIVES; do
      letter=${entry%%:*}; kind=${entry#*:}
      wine_as_user mkdir -p "$dir/media/$letter"
      wine_as_user ln -sfn "$dir/media/$letter" "$dir/prefix/dosdevices/$letter:"
      wine_reg_add "$dir" 'HKLM\Software\Wine\Drives' "$letter:" "$kind"
    done
    wine_as_user ln -sfn "$WINE_SMALL_DRIVE" "$dir/prefix/dosdevices/k:"
    wine_reg_add "$dir" 'HKLM\Software\Wine\Drives' k: hd
    # The graphics driver and the drive kinds are read when the server and
    # its services start, so begin again with a fresh server.
    wine_server_stop "$dir"
    wine_env "$dir" touch "$dir/prefix/.kit-ready-2"
  fi
  wine_graphics "$dir" "$graphics"
  wine_server_start "$dir"
}
