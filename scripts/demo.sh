#!/usr/bin/env bash
# The main command: installs what is missing, builds, makes a sample
# installation of Orchidveil in a private Wine prefix and runs the real
# x86_64 update.exe on it, then prints what changed in the installation.
#
#   bash scripts/demo.sh [--auto]
#
# With a reachable X display ($DISPLAY) update.exe opens there and you press
# its buttons; without one (CI, a server) the prefix uses the null graphics
# driver and demo_driver.exe presses them. --auto lets the driver press them
# on a display too.
#
# Safe to run again: every run resets the sample installation. The prefix
# (build/x86_64/demo) is made once and reused.
#
# scripts/screenshot.sh sources this file for the same prefix set-up.

DEMO_TITLE_KEY='HKLM\SOFTWARE\Selvane\Orchidveil'
DEMO_INSTALL_WIN='C:\Program Files\Selvane\Orchidveil'
DEMO_UPDATE_WIN='C:\Update'

# The installed copy: name, size in bytes, last-write time.
DEMO_INSTALLED=(
  "Orchidveil.exe 1228800 2005-04-01 12:00"
  "pict.pac       3145728 2005-04-01 12:00"
  "talk.pac       2097152 2005-04-01 12:00"
  "readme.txt        4096 2005-04-01 12:00"
  "pict_2.pac     1048576 2005-06-15 09:30"
  "book_2.pac       65536 2005-06-15 09:30"
)
# The replacements beside update.exe, in DEMO_UPDATE_WIN\Orchidveil. talk_2.pac
# and book_3.pac are not installed yet; readme.txt and book_2.pac get none.
DEMO_REPLACEMENTS=(
  "Orchidveil.exe 1245184 2005-09-30 18:00"
  "pict.pac       3407872 2005-09-30 18:05"
  "talk.pac       2162688 2005-09-30 18:10"
  "pict_2.pac     1310720 2005-09-30 18:15"
  "talk_2.pac      524288 2005-09-30 18:20"
  "book_3.pac      131072 2005-09-30 18:25"
)

# The Unix side of a path on the prefix's C: drive.
demo_unix_path() {
  local dir=$1 win=$2
  win=${win#[Cc]:}
  printf '%s/prefix/drive_c%s\n' "$dir" "${win//\\//}"
}

# The dialogs ask for "ＭＳ Ｐゴシック"; the IPA fonts from Debian stand in
# for it and for the other Japanese faces, so their texts are not boxes.
demo_fonts() {
  local dir=$1 key='HKCU\Software\Wine\Fonts\Replacements'
  wine_reg_add "$dir" "$key" 'ＭＳ Ｐゴシック' IPAPGothic
  wine_reg_add "$dir" "$key" 'ＭＳ ゴシック' IPAGothic
  wine_reg_add "$dir" "$key" 'MS UI Gothic' IPAPGothic
  wine_reg_add "$dir" "$key" 'MS Shell Dlg' IPAPGothic
}

# Files of SIZE bytes with a time, made fresh; the Wine user owns them.
demo_files() {
  local folder=$1 fill=$2; shift 2
  local entry name size day hour
  mkdir -p "$folder"
  for entry in "$@"; do
    read -r name size day hour <<<"$entry"
    head -c "$size" /dev/zero | tr '\0' "$fill" >"$folder/$name"
    touch -d "$day $hour" "$folder/$name"
  done
}

# Resets the sample installation: the installation record, the installed
# files, and update.exe with its folder of replacements.
demo_sample() {
  local dir=$1 program=$2
  local install updates
  install=$(demo_unix_path "$dir" "$DEMO_INSTALL_WIN")
  updates=$(demo_unix_path "$dir" "$DEMO_UPDATE_WIN")
  rm -rf "$install" "$updates"
  demo_files "$install" o "${DEMO_INSTALLED[@]}"
  demo_files "$updates/Orchidveil" n "${DEMO_REPLACEMENTS[@]}"
  cp "$program" "$updates/update.exe"
  if [ "$(id -u)" -eq 0 ]; then
    chown -R 65534:65534 "$dir/prefix/drive_c/Program Files/Selvane" "$updates"
  fi

  local log=$dir/log/setup.log
  wine_env "$dir" "$WINE_BIN" reg delete 'HKLM\SOFTWARE\Selvane' /f >>"$log" 2>&1 </dev/null || true
  wine_env "$dir" "$WINE_BIN" reg add "$DEMO_TITLE_KEY" /v Dir /t REG_SZ /d "$DEMO_INSTALL_WIN" /f \
    >>"$log" 2>&1 </dev/null
  wine_env "$dir" "$WINE_BIN" reg add "$DEMO_TITLE_KEY" /v CD /t REG_SZ /d 'e:\Orchidveil' /f \
    >>"$log" 2>&1 </dev/null
  wine_env "$dir" "$WINE_BIN" reg add "$DEMO_TITLE_KEY" /v InstType /t REG_DWORD /d 2 /f \
    >>"$log" 2>&1 </dev/null
}

# One line a file of the installation folder: name, size, last-write time
# (seconds since the epoch).
demo_listing() {
  local folder
  folder=$(demo_unix_path "$1" "$DEMO_INSTALL_WIN")
  find "$folder" -maxdepth 1 -type f -printf '%f %s %T@\n' | sed 's/\.[0-9]*$//' | LC_ALL=C sort
}

# The listing before and after, side by side. A file that changed must now
# hold its replacement's bytes.
demo_report() {
  local dir=$1 before=$2 after=$3
  local install updates
  install=$(demo_unix_path "$dir" "$DEMO_INSTALL_WIN")
  updates=$(demo_unix_path "$dir" "$DEMO_UPDATE_WIN")/Orchidveil
  local -A old_size=() old_time=()
  local name size time faults=0
  while read -r name size time; do
    old_size[$name]=$size
    old_time[$name]=$time
  done <"$before"
  printf '  %-16s %10s %10s  %s\n' file 'old size' 'new size' 'last written'
  while read -r name size time; do
    local was=${old_size[$name]:--} what=unchanged
    if [ "$was" = - ]; then
      what=new
    elif [ "$was" != "$size" ] || [ "${old_time[$name]}" != "$time" ]; then
      what=replaced
    fi
    if [ "$what" != unchanged ] && ! cmp -s "$install/$name" "$updates/$name"; then
      what="$what, but not the replacement's bytes"
      faults=$((faults + 1))
    fi
    printf '  %-16s %10s %10s  %-19s  %s\n' "$name" "$was" "$size" \
      "$(date -d "@$time" '+%Y-%m-%d %H:%M:%S')" "$what"
  done <"$after"
  [ "$faults" -eq 0 ]
}

# True when the Wine user can open windows on $DISPLAY. Its cookie (if the
# display wants one) is copied to a file that user may read, COOKIE.
demo_display_usable() {
  local cookie=$1
  [ -n "${DISPLAY:-}" ] || return 1
  command -v xdpyinfo >/dev/null && command -v xauth >/dev/null || return 1
  rm -f "$cookie"
  : >"$cookie"
  chmod 600 "$cookie"
  [ "$(id -u)" -eq 0 ] && chown 65534:65534 "$cookie"
  local source=${XAUTHORITY:-}
  if [ -z "$source" ] && [ -n "${SUDO_USER:-}" ]; then
    source=$(getent passwd "$SUDO_USER" | cut -d: -f6)/.Xauthority
  fi
  [ -n "$source" ] || source=${HOME:-/root}/.Xauthority
  if [ -r "$source" ]; then
    xauth -f "$source" nextract - "$DISPLAY" 2>/dev/null >"$cookie.new" || true
    wine_as_user xauth -q -f "$cookie" nmerge - <"$cookie.new" >/dev/null 2>&1 || true
    rm -f "$cookie.new"
  fi
  wine_as_user env -i DISPLAY="$DISPLAY" XAUTHORITY="$cookie" \
    timeout 10 xdpyinfo >/dev/null 2>&1 </dev/null
}

# Readies a demo's own prefix DIR for the programs in BIN: the x11 driver
# when a display is usable, else the null one (set in DEMO_GRAPHICS), a
# previous run's server ended, and the Japanese font replacements.
demo_prefix_ready() {
  local dir=$1 bin=$2
  mkdir -p "$dir"
  [ "$(id -u)" -eq 0 ] && chown 65534:65534 "$dir"
  wine_user_can_reach "$bin"

  DEMO_GRAPHICS=null
  if demo_display_usable "$dir/xauthority"; then
    DEMO_GRAPHICS=x11
  fi

  # End whatever a previous run left in the prefix before resetting it.
  [ -d "$dir/prefix" ] && wine_server_stop "$dir"
  wine_prefix_ready "$dir" "$DEMO_GRAPHICS"
  # From here on, with x11, every Wine process needs the display: the first
  # one starts the prefix's desktop process, which the later ones share.
  if [ "$DEMO_GRAPHICS" = x11 ]; then
    export WINE_DISPLAY=$DISPLAY WINE_XAUTHORITY=$dir/xauthority
  fi
  demo_fonts "$dir"
}

demo_main() {
  set -euo pipefail
  local auto=0 arg
  for arg in "$@"; do
    case $arg in
      --auto) auto=1 ;;
      -h|--help) sed -n '2,14s/^# \{0,1\}//p' "$0"; return 0 ;;
      *) echo "demo: unknown argument $arg (try --help)" >&2; return 2 ;;
    esac
  done

  cd "$(dirname "${BASH_SOURCE[0]}")/.."
  local root
  root=$(pwd)
  bash scripts/setup.sh
  mkdir -p build
  bash scripts/build.sh >build/demo-build.log 2>&1 || {
    cat build/demo-build.log >&2
    return 1
  }
  echo "demo: built both architectures (log: build/demo-build.log)"

  local bin=$root/build/x86_64/bin
  local dir=$root/build/x86_64/demo
  demo_prefix_ready "$dir" "$bin"
  local graphics=$DEMO_GRAPHICS
  demo_sample "$dir" "$bin/update.exe"

  echo "demo: sample installation in the prefix $dir/prefix"
  wine_exec "$dir" "$WINE_BIN" reg query "$DEMO_TITLE_KEY" | tr -d '\r' | sed '/^$/d; s/^/  /'
  echo "  installed files in $DEMO_INSTALL_WIN, replacements in $DEMO_UPDATE_WIN\\Orchidveil"

  # Wine's own messages (a drive it may not read, ...) go to a log.
  local before=$dir/log/before.txt after=$dir/log/after.txt wine_log=$dir/log/wine.log rc=0
  : >"$wine_log"
  demo_listing "$dir" >"$before"

  if [ "$graphics" = x11 ] && [ "$auto" -eq 0 ]; then
    echo "demo: update.exe is open on display $DISPLAY: press アップデート, then OK"
    wine_exec "$dir" "$WINE_BIN" "$DEMO_UPDATE_WIN\\update.exe" 2>>"$wine_log" || rc=$?
    echo "demo: update.exe ended with exit code $rc"
  else
    if [ "$graphics" = x11 ]; then
      echo "demo: running $DEMO_UPDATE_WIN\\update.exe on display $DISPLAY; demo_driver.exe presses its buttons"
    else
      echo "demo: no display; running $DEMO_UPDATE_WIN\\update.exe with the null graphics driver, demo_driver.exe presses its buttons"
    fi
    wine_exec "$dir" "$WINE_BIN" "$bin/demo_driver.exe" "$DEMO_UPDATE_WIN\\update.exe" \
      2>>"$wine_log" || rc=$?
  fi

  demo_listing "$dir" >"$after"
  echo "demo: what changed in $DEMO_INSTALL_WIN"
  demo_report "$dir" "$before" "$after" || rc=1

  wine_server_stop "$dir"
  if [ "$rc" -ne 0 ]; then
    echo "demo: the update did not do what it should; Wine's messages:" >&2
    cat "$wine_log" >&2
    return 1
  fi
}

. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  demo_main "$@"
fi
