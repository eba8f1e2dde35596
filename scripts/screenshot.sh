#!/usr/bin/env bash
# Takes docs/update-dialog.png: update.exe's dialog on a virtual X display
# (Xvfb), in a Wine virtual desktop drawn by the x11 driver, with the IPA
# fonts standing in for the Japanese faces; cropped to the dialog.
#
#   bash scripts/screenshot.sh [OUTPUT.png]
#
# Uses the demo's sample installation in a prefix of its own
# (build/x86_64/screenshot); demo_driver.exe shows the dialog, reports where
# it is, and presses ｷｬﾝｾﾙ once the picture is taken.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
output=${1:-docs/update-dialog.png}

. scripts/demo.sh  # its functions, and wine-env.sh's

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
}
trap cleanup EXIT
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.1
done

[ -f "$dir/prefix/.kit-ready" ] && wine_server_stop "$dir"
wine_prefix_ready "$dir" x11
# From here on every Wine process needs the display: the first one starts
# the prefix's desktop process, which the later ones share.
export WINE_DISPLAY=:$display
demo_fonts "$dir"
# Xvfb has no window manager to draw captions and frames or to activate a
# window: Wine's virtual desktop, as large as the screen, does both.
wine_reg_add "$dir" 'HKCU\Software\Wine\Explorer' Desktop Default
wine_reg_add "$dir" 'HKCU\Software\Wine\Explorer\Desktops' Default 800x600
# The desktop process is already running without them: start again.
wine_server_stop "$dir"
wine_server_start "$dir"
demo_sample "$dir" "$bin/update.exe"

done_win="$DEMO_UPDATE_WIN\\shot.done"
done_unix=$(demo_unix_path "$dir" "$done_win")
rm -f "$done_unix"
out=$dir/log/driver.out
wine_env "$dir" "$WINE_BIN" "$bin/demo_driver.exe" --hold "$done_win" "$DEMO_UPDATE_WIN\\update.exe" \
  >"$out" 2>"$dir/log/driver.err" </dev/null &
driver_pid=$!

rect=
for _ in $(seq 1500); do  # the driver itself gives up after two minutes
  rect=$(sed -n 's/^driver: rect //p' "$out")
  [ -n "$rect" ] && break
  kill -0 "$driver_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$rect" ]; then
  cat "$out" "$dir/log/driver.err" >&2
  echo "screenshot: the dialog did not appear" >&2
  exit 1
fi
read -r x y w h <<<"$rect"
sleep 1  # let the dialog finish drawing

mkdir -p "$(dirname "$output")"
"$IMPORT" -display ":$display" -window root "$dir/screen.png"
"$CONVERT" "$dir/screen.png" -crop "${w}x${h}+${x}+${y}" +repage -strip "$output"
touch "$done_unix"
# Wine draws the caption only inside its desktop: a black caption bar means
# the dialog was shown outside it.
lit=$("$CONVERT" "$output" -format "%[fx:p{$((w / 2)),8}.intensity > 0.05]" info:)
if [ "$lit" != 1 ]; then
  echo "screenshot: the dialog has no caption bar; see $dir/screen.png" >&2
  exit 1
fi
wait "$driver_pid" || {
  driver_pid=
  cat "$out" >&2
  echo "screenshot: the driver failed" >&2
  exit 1
}
driver_pid=
cat "$out"
echo "screenshot: $output (${w}x${h})"
