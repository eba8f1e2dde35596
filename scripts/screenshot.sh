#!/usr/bin/env bash
# Takes the README's pictures of the kit's dialogs on a virtual X display
# (Xvfb), in a Wine virtual desktop drawn by the x11 driver, with the IPA
# fonts standing in for the Japanese faces; each cropped to its dialog.
#
#   bash scripts/screenshot.sh [update] [setup]
#
#   update  docs/update-dialog.png: update.exe's dialog on the demo's sample
#           installation (scripts/demo.sh)
#   setup   docs/options-dialog.png: setup.exe's install options dialog, and
#           docs/setup-dialog-copying.png: the setup dialog while the copy
#           runs, from a sample disc as in scripts/setup-demo.sh whose
#           first file is 2 GiB large, to catch the copy at
#
# Without an argument, all of them. Uses a prefix of its own
# (build/x86_64/screenshot); demo_driver.exe shows each dialog, reports
# where it is and goes on once the picture is taken.
set -eEuo pipefail
trap 'echo "screenshot: failed: $BASH_COMMAND (line $LINENO)" >&2' ERR
cd "$(dirname "$0")/.."
root=$(pwd)

shots=()
for arg in "$@"; do
  case $arg in
    update|setup) shots+=("$arg") ;;
    -h|--help) sed -n '2,17s/^# \{0,1\}//p' "$0"; exit 0 ;;
    *) echo "screenshot: unknown argument $arg (try --help)" >&2; exit 2 ;;
  esac
done
[ ${#shots[@]} -gt 0 ] || shots=(update setup)

. scripts/setup-demo.sh  # its functions, demo.sh's and wine-env.sh's

bash scripts/setup.sh
mkdir -p build
bash scripts/build.sh >build/screenshot-build.log 2>&1 || {
  cat build/screenshot-build.log >&2
  exit 1
}

# ImageMagick's own programs: another convert may come first in PATH.
IMPORT=/usr/bin/import
CONVERT=/usr/bin/convert

bin=$root/build/x86_64/bin
dir=$root/build/x86_64/screenshot
mkdir -p "$dir"
[ "$(id -u)" -eq 0 ] && chown 65534:65534 "$dir"
wine_user_can_reach "$bin"

# The setup picture's source: the first file copied large and sparse, so
# the copy takes some seconds and the bar moves while the status line names
# it. (The status line takes up the name of the file being copied only
# every so many turns of the copy's waiting loop, and under Wine a turn
# takes long enough that the first name stays for the whole copy.)
SHOT_SOURCE=(
  "Orchidveil.exe 2147483648 zero"
  "pict.pac         8388608 P"
  "talk.pac         4194304 T"
  "fx.pac           2097152 F"
  "tune.pac         6291456 M"
  "readme.txt          4096 R"
  "uninst.exe         65536 U"
)
SHOT_BIG_FILE=Orchidveil.exe

# A free display number, and Xvfb on it.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 800x600x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 </dev/null &
xvfb_pid=$!
driver_pid=
cleanup() {
  if [ -n "$driver_pid" ]; then kill "$driver_pid" 2>/dev/null || true; fi
  wine_server_stop "$dir"
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  # The gigabytes the setup picture installed.
  rm -rf "$(demo_unix_path "$dir" 'C:\Program Files\Selvane')"
}
trap cleanup EXIT
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.1
done

[ -d "$dir/prefix" ] && wine_server_stop "$dir"
wine_prefix_ready "$dir" x11
# From here on every Wine process needs the display: the first one starts
# the prefix's desktop process, which the later ones share.
export WINE_DISPLAY=:$display
demo_fonts "$dir"
# Xvfb has no window manager to draw captions and frames or to activate a
# window: Wine's virtual desktop, as large as the screen, does both.
wine_reg_add "$dir" 'HKCU\Software\Wine\Explorer' Desktop Default
wine_reg_add "$dir" 'HKCU\Software\Wine\Explorer\Desktops' Default 800x600

# The driver tells where a dialog is with "driver: rect [NAME] X Y W H" and
# waits for the file SIGNAL before it goes on; the picture is taken between.
signals_win='C:\Shots'
signals=$(demo_unix_path "$dir" "$signals_win")
out=$dir/log/driver.out

start_driver() {
  rm -rf "$signals"
  wine_as_user mkdir -p "$signals"
  : >"$out"  # no line of an earlier run is taken for this one's
  wine_env "$dir" "$WINE_BIN" "$bin/demo_driver.exe" "$@" \
    >"$out" 2>"$dir/log/driver.err" </dev/null &
  driver_pid=$!
}

# take NAME SIGNAL OUTPUT [PAUSE]: crops the dialog the driver reports as
# NAME (empty: unnamed) to OUTPUT once it is drawn, then signals.
take() {
  local name=$1 signal=$2 output=$3 pause=${4:-1}
  local rect='' x y w h
  for _ in $(seq 1500); do  # the driver itself gives up after two minutes
    rect=$(sed -n "s/^driver: rect ${name:+$name }\([-0-9]\)/\1/p" "$out")
    [ -n "$rect" ] && break
    kill -0 "$driver_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$rect" ]; then
    cat "$out" "$dir/log/driver.err" >&2
    echo "screenshot: the dialog ${name:+$name }did not appear" >&2
    exit 1
  fi
  read -r x y w h <<<"$rect"
  sleep "$pause"  # let the dialog finish drawing

  mkdir -p "$(dirname "$output")"
  "$IMPORT" -display ":$display" -window root "$dir/screen.png"
  "$CONVERT" "$dir/screen.png" -crop "${w}x${h}+${x}+${y}" +repage -strip "$output"
  wine_as_user touch "$signal"
  # Wine draws the caption only inside its desktop: a black caption bar
  # means the dialog was shown outside it.
  local lit
  lit=$("$CONVERT" "$output" -format "%[fx:p{$((w / 2)),8}.intensity > 0.05]" info:)
  if [ "$lit" != 1 ]; then
    echo "screenshot: the dialog has no caption bar; see $dir/screen.png" >&2
    exit 1
  fi
  echo "screenshot: $output (${w}x${h})"
}

finish_driver() {
  wait "$driver_pid" || {
    driver_pid=
    cat "$out" >&2
    echo "screenshot: the driver failed" >&2
    exit 1
  }
  driver_pid=
  cat "$out"
}

for shot in "${shots[@]}"; do
  setup_reset "$dir"
  if [ "$shot" = update ]; then
    demo_sample "$dir" "$bin/update.exe"
  else
    setup_sample "$dir" "$bin/setup.exe" disc "${SHOT_SOURCE[@]}"
  fi
  # The desktop, the fonts and the disc's label take effect with a fresh
  # server.
  wine_server_stop "$dir"
  wine_server_start "$dir"

  if [ "$shot" = update ]; then
    start_driver --hold "$signals_win\\update.done" "$DEMO_UPDATE_WIN\\update.exe"
    take '' "$signals/update.done" docs/update-dialog.png
  else
    start_driver --setup --shots "$signals_win" "$SHOT_BIG_FILE" "$SETUP_PROGRAM_WIN"
    take options "$signals/options.done" docs/options-dialog.png
    # The copy runs on: no more waiting than for the screen to be read.
    take copying "$signals/copying.done" docs/setup-dialog-copying.png 0.2
  fi
  finish_driver
done
