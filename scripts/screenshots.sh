#!/usr/bin/env bash
# Takes the manual's pictures (docs/images/*.png) of the real window under a
# private X server, with a fresh data folder and no sound server needed.
# Usage: scripts/screenshots.sh [PATH_TO_aurelith]   (default: build/aurelith)
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/aurelith}")
out=docs/images
for tool in Xvfb xdotool xwininfo import convert; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (scripts/install-deps.sh --test)"; exit 1; }
done
[[ -x "$program" ]] || { echo "screenshots: no program at $program (build it first: scripts/build.sh)"; exit 1; }

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  set +e
  [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A display number of our own: Xvfb tells it when it is ready.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

export XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy
mkdir -p "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS
"$program" >"$work/app.log" 2>&1 &
app_pid=$!
win=$(timeout 20 xdotool search --sync --onlyvisible --name '^Aurelith' | head -1) \
  || { cat "$work/app.log"; echo "screenshots: the window did not appear"; exit 1; }
sleep 1

# The window's place on the root window (there is no window manager).
shot() { # name [extra height below the window, for open menus]
  eval "$(xdotool getwindowgeometry --shell "$win")"
  import -window root -crop "${WIDTH}x$((HEIGHT + ${2:-0}))+${X}+${Y}" +repage "$out/$1.png"
  echo "wrote $out/$1.png"
}
# Clicks a control by its design position in twips (15 twips a pixel) inside
# the client area, which lies below the menu bar.
click() { # left top width height
  eval "$(xdotool getwindowgeometry --shell "$win")"
  local menubar=$((HEIGHT - 530))
  xdotool mousemove --sync $((X + ($1 + $3 / 2) / 15)) $((Y + menubar + ($2 + $4 / 2) / 15)) click 1
  sleep 0.5
}
mkdir -p "$out"

shot window
# "M Alpha" (band buttons frame at 5760,120; third column, second row), then "ColorOn".
click $((5760 + 1800)) $((120 + 840)) 735 375
click $((120 + 1080)) $((2400 + 240)) 855 255
# The first "ColorOn" in a fresh folder warns before anything flashes.
box=$(timeout 10 xdotool search --sync --onlyvisible --name '^Color Strobe Warning' | head -1) \
  || { echo "screenshots: the strobe's warning did not appear"; exit 1; }
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$box")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/warning.png"
echo "wrote $out/warning.png"
# "Flash": the button before the default "Cancel".
xdotool key --window "$box" shift+Tab space
sleep 0.5
shot playing
# "ColorOff", so the next pictures do not catch the flashing panel half-way.
click $((120 + 1080)) $((2400 + 600)) 855 255
# The Help menu, opened with its access key.
xdotool key --window "$win" alt+h
sleep 0.5
shot menu-help
xdotool key Escape

# The Sequences window (Options → Sequences..., by its access keys) and the
# editor on its first sequence. Without the sequence readers in this build the
# item opens nothing, and these two pictures are left as they were.
shot_of() { # window name
  eval "$(xdotool getwindowgeometry --shell "$1")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$2.png"
  echo "wrote $out/$2.png"
}
xdotool key --window "$win" alt+o q
if seqwin=$(timeout 10 xdotool search --sync --onlyvisible --name '^Sequences$' | head -1); then
  sleep 1
  shot_of "$seqwin" sequences
  xdotool key --window "$seqwin" alt+e
  edwin=$(timeout 10 xdotool search --sync --onlyvisible --name 'Sequence Editor$' | head -1) \
    || { echo "screenshots: the sequence editor did not appear"; exit 1; }
  sleep 1
  shot_of "$edwin" sequence-editor
else
  echo "screenshots: no Sequences window in this build (the sequence readers are not in it)"
fi
