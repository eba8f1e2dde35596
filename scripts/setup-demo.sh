#!/usr/bin/env bash
# Installs Orchidveil with the real x86_64 setup.exe in a private Wine
# prefix, from a sample disc, and prints what the install left behind.
#
#   bash scripts/setup-demo.sh [--auto] [--folder]
#
# The sample source is an emulated CD-ROM e: labelled "Orchidveil" with
# Orchidveil\Orchidveil.exe and other files of the install list on it;
# --folder puts the same files in a folder Orchidveil beside a copy of
# setup.exe (C:\Setup) instead, the source setup.exe uses without a disc.
# With a reachable X display ($DISPLAY) setup.exe opens there and you press
# its buttons; without one the prefix uses the null graphics driver and
# demo_driver.exe presses them. --auto lets the driver press them on a
# display too.
#
# Safe to run again: every run takes the previous install away first. The
# prefix (build/x86_64/setup-demo) is made once and reused.
#
# scripts/screenshot.sh sources this file for the same set-up.

SETUP_TITLE_KEY='HKLM\SOFTWARE\Selvane\Orchidveil'
SETUP_INSTALL_WIN='C:\Program Files\Selvane\Orchidveil'
SETUP_PROGRAMS_WIN='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Selvane\Orchidveil'
SETUP_FOLDER_WIN='C:\Setup'
SETUP_DISC_LETTER=e
SETUP_DISC_LABEL=Orchidveil

# The sample source: name, size in bytes, the byte it is filled with
# ("zero": a sparse file of zeros, made at once whatever its size). Names
# from the install list; the others of the list are not on the source and
# are passed over.
SETUP_SOURCE=(
  "Orchidveil.exe   3145728 E"
  "pict.pac       536870912 zero"
  "talk.pac         4194304 T"
  "fx.pac           2097152 F"
  "sysfx.pac        1048576 S"
  "tune.pac         6291456 M"
  "book.pac         2097152 B"
  "ogg.dll           196608 o"
  "vorbis.dll        262144 v"
  "vorbisfile.dll     65536 f"
  "uninst.exe         65536 U"
)

# The Unix side of the emulated disc's root.
setup_disc_unix() {
  printf '%s/media/%s\n' "$1" "$SETUP_DISC_LETTER"
}

# Fills FOLDER with the files of ENTRIES (name size fill) and a readme.
setup_source_files() {
  local folder=$1; shift
  local entry name size fill
  mkdir -p "$folder"
  for entry in "$@"; do
    read -r name size fill <<<"$entry"
    rm -f "$folder/$name"
    if [ "$fill" = zero ]; then
      truncate -s "$size" "$folder/$name"
    else
      head -c "$size" /dev/zero | tr '\0' "$fill" >"$folder/$name"
    fi
  done
  printf 'Orchidveil\r\n\r\nA sample readme of the setup demo.\r\n' >"$folder/readme.txt"
}

# Takes away what an earlier run installed: the files, the installation
# record, the program group; and the earlier sources.
setup_reset() {
  local dir=$1
  local log=$dir/log/setup.log
  rm -rf "$(demo_unix_path "$dir" 'C:\Program Files\Selvane')" \
    "$(demo_unix_path "$dir" "${SETUP_PROGRAMS_WIN%\\Orchidveil}")" \
    "$(demo_unix_path "$dir" "$SETUP_FOLDER_WIN")"
  wine_env "$dir" "$WINE_BIN" reg delete 'HKLM\SOFTWARE\Selvane' /f >>"$log" 2>&1 </dev/null || true
  local disc
  disc=$(setup_disc_unix "$dir")
  find "$disc" -mindepth 1 -delete
}

# Puts the sample source in place: on the disc (SOURCE=disc) or beside a
# copy of setup.exe (SOURCE=folder). Returns the Windows path of the
# setup.exe to run in SETUP_PROGRAM_WIN. The disc's label is read when the
# server starts: the caller restarts it.
setup_sample() {
  local dir=$1 program=$2 source=$3; shift 3
  local disc setup_unix
  disc=$(setup_disc_unix "$dir")
  setup_unix=$(demo_unix_path "$dir" "$SETUP_FOLDER_WIN")
  if [ "$source" = disc ]; then
    setup_source_files "$disc/Orchidveil" "$@"
    echo "$SETUP_DISC_LABEL" >"$disc/.windows-label"
    # Setup runs from the disc, as a player starts it.
    cp "$program" "$disc/setup.exe"
    SETUP_PROGRAM_WIN="$SETUP_DISC_LETTER:\\setup.exe"
    SETUP_SOURCE_UNIX=$disc/Orchidveil
    SETUP_SOURCE_WIN="$SETUP_DISC_LETTER:\\Orchidveil"
  else
    setup_source_files "$setup_unix/Orchidveil" "$@"
    cp "$program" "$setup_unix/setup.exe"
    SETUP_PROGRAM_WIN="$SETUP_FOLDER_WIN\\setup.exe"
    SETUP_SOURCE_UNIX=$setup_unix/Orchidveil
    SETUP_SOURCE_WIN="$SETUP_FOLDER_WIN\\Orchidveil"
  fi
  if [ "$(id -u)" -eq 0 ]; then
    chown -R 65534:65534 "$disc"
    [ -d "$setup_unix" ] && chown -R 65534:65534 "$setup_unix"
  fi
  return 0
}

# What the install left: each file of the installation folder with its size
# and whether it holds its source's bytes, the installation record, the
# program group. False when a source file is missing from the installation
# or differs, or the record or a shortcut is missing.
setup_report() {
  local dir=$1 faults=0
  local install programs name size same
  install=$(demo_unix_path "$dir" "$SETUP_INSTALL_WIN")
  programs=$(demo_unix_path "$dir" "$SETUP_PROGRAMS_WIN")

  echo "setup-demo: files in $SETUP_INSTALL_WIN"
  printf '  %-16s %10s  %s\n' file size "same as $SETUP_SOURCE_WIN"
  while read -r name; do
    [ -n "$name" ] || continue
    same=no
    if [ ! -f "$install/$name" ]; then
      printf '  %-16s %10s  %s\n' "$name" - 'missing'
      faults=$((faults + 1))
      continue
    fi
    size=$(stat -c %s "$install/$name")
    if cmp -s "$install/$name" "$SETUP_SOURCE_UNIX/$name"; then same=yes; else faults=$((faults + 1)); fi
    printf '  %-16s %10s  %s\n' "$name" "$size" "$same"
  done < <(find "$SETUP_SOURCE_UNIX" -maxdepth 1 -type f -printf '%f\n' | LC_ALL=C sort)
  # Anything else in the folder did not come from the source.
  while read -r name; do
    [ -n "$name" ] || continue
    [ -e "$SETUP_SOURCE_UNIX/$name" ] && continue
    printf '  %-16s %10s  %s\n' "$name" "$(stat -c %s "$install/$name")" 'not on the source'
    faults=$((faults + 1))
  done < <([ -d "$install" ] && find "$install" -mindepth 1 -maxdepth 1 -printf '%f\n' | LC_ALL=C sort)

  echo "setup-demo: installation record"
  local record
  record=$(wine_exec "$dir" "$WINE_BIN" reg query "$SETUP_TITLE_KEY" 2>/dev/null | tr -d '\r' | sed '/^$/d') ||
    true
  if [ -n "$record" ]; then
    printf '%s\n' "$record" | sed 's/^/  /'
  else
    echo "  none"
    faults=$((faults + 1))
  fi

  echo "setup-demo: shortcuts in $SETUP_PROGRAMS_WIN"
  local link
  for link in Orchidveil.lnk README.lnk 'アンインストール.lnk'; do
    if [ -f "$programs/$link" ]; then
      printf '  %-20s %6s bytes, to %s\n' "$link" "$(stat -c %s "$programs/$link")" \
        "$(setup_link_target "$programs/$link")"
    else
      printf '  %-20s missing\n' "$link"
      faults=$((faults + 1))
    fi
  done
  [ "$faults" -eq 0 ]
}

# The target a shortcut file names: the longest ASCII path of a drive in it,
# the local path of its link information (the item list before it holds
# the same path in pieces).
setup_link_target() {
  LC_ALL=C grep -a -o '[A-Za-z]:\\[ -~]*' "$1" |
    awk 'length > max { max = length; path = $0 } END { print path }'
}

setup_main() {
  set -euo pipefail
  local auto=0 source=disc arg
  for arg in "$@"; do
    case $arg in
      --auto) auto=1 ;;
      --folder) source=folder ;;
      -h|--help) sed -n '2,17s/^# \{0,1\}//p' "$0"; return 0 ;;
      *) echo "setup-demo: unknown argument $arg (try --help)" >&2; return 2 ;;
    esac
  done

  cd "$(dirname "${BASH_SOURCE[0]}")/.."
  local root
  root=$(pwd)
  bash scripts/setup.sh
  mkdir -p build
  bash scripts/build.sh >build/setup-demo-build.log 2>&1 || {
    cat build/setup-demo-build.log >&2
    return 1
  }
  echo "setup-demo: built both architectures (log: build/setup-demo-build.log)"

  local bin=$root/build/x86_64/bin
  local dir=$root/build/x86_64/setup-demo
  demo_prefix_ready "$dir" "$bin"
  local graphics=$DEMO_GRAPHICS
  setup_reset "$dir"
  setup_sample "$dir" "$bin/setup.exe" "$source" "${SETUP_SOURCE[@]}"
  # The disc's label and the fonts take effect with a fresh server.
  wine_server_stop "$dir"
  wine_server_start "$dir"

  if [ "$source" = disc ]; then
    echo "setup-demo: sample disc in $SETUP_DISC_LETTER: (an emulated CD-ROM) of the prefix $dir/prefix"
    wine_exec "$dir" "$WINE_BIN" cmd /c vol "$SETUP_DISC_LETTER:" 2>/dev/null | iconv -f CP932 -t UTF-8 |
      tr -d '\r' | sed '/^ *$/d; s/^ */  /'
  else
    echo "setup-demo: sample source beside $SETUP_PROGRAM_WIN in the prefix $dir/prefix"
  fi
  echo "  $SETUP_SOURCE_WIN:"
  find "$SETUP_SOURCE_UNIX" -maxdepth 1 -type f -printf '%f %s\n' | LC_ALL=C sort |
    while read -r name size; do printf '    %-16s %10s\n' "$name" "$size"; done

  local wine_log=$dir/log/wine.log rc=0
  : >"$wine_log"
  if [ "$graphics" = x11 ] && [ "$auto" -eq 0 ]; then
    echo "setup-demo: $SETUP_PROGRAM_WIN is open on display $DISPLAY: press インストール, OK, はい, OK, then キャンセル"
    wine_exec "$dir" "$WINE_BIN" "$SETUP_PROGRAM_WIN" 2>>"$wine_log" || rc=$?
    echo "setup-demo: setup.exe ended with exit code $rc"
  else
    if [ "$graphics" = x11 ]; then
      echo "setup-demo: running $SETUP_PROGRAM_WIN on display $DISPLAY; demo_driver.exe presses its buttons"
    else
      echo "setup-demo: no display; running $SETUP_PROGRAM_WIN with the null graphics driver, demo_driver.exe presses its buttons"
    fi
    wine_exec "$dir" "$WINE_BIN" "$bin/demo_driver.exe" --setup "$SETUP_PROGRAM_WIN" \
      2>>"$wine_log" || rc=$?
  fi

  setup_report "$dir" || rc=1
  wine_server_stop "$dir"
  if [ "$rc" -ne 0 ]; then
    echo "setup-demo: the install did not do what it should; Wine's messages:" >&2
    cat "$wine_log" >&2
    return 1
  fi
}

. "$(dirname "${BASH_SOURCE[0]}")/demo.sh"  # its functions, and wine-env.sh's

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  setup_main "$@"
fi
