#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# usage: bench/cost.sh [AURELITH] [SECONDS] [slide]
#
# What the real program costs, on a private X server and a private PulseAudio
# null sink: start-up to the first painted window (median of 5 starts), CPU
# with the window open and nothing playing, and CPU while it plays "M Alpha"
# (a 10 Hz beat) with the strobe flashing at 10 Hz. CPU is the process's user +
# system time from /proc over SECONDS (default 30) of wall time. With "slide",
# only this instead: a sequence whose beat slides from 10 Hz to 6 Hz over
# 60 s, played from the Sequences window with the strobe on, over its first
# SECONDS (at most 60), the Sequences window left open.
set -u
APP=$(readlink -f "${1:-build/aurelith}")
SECONDS_EACH=${2:-30}
MODE=${3:-}

if [ -z "${AURELITH_UNDER_XVFB:-}" ]; then
    export AURELITH_UNDER_XVFB=1
    exec xvfb-run -a -s '-screen 0 1280x1024x24' "$0" "$APP" "$SECONDS_EACH" "$MODE"
fi

source "$(dirname "$0")/../tests/support/test-audio.sh"
enter_private_session
export QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=pulseaudio
export QT_LOGGING_RULES="aurelith.startup.info=true"
PID=
cleanup() {
    [ -n "$PID" ] && kill -KILL "$PID" 2>/dev/null
    leave_private_session
}
trap cleanup EXIT
start_private_pulseaudio || { echo "PulseAudio did not start"; exit 1; }

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
cpu_percent() {
    local before after
    before=$(ticks "$PID")
    sleep "$SECONDS_EACH"
    after=$(ticks "$PID")
    awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" -v s="$SECONDS_EACH" 'BEGIN { printf "%.2f", 100 * t / hz / s }'
}
launch() {
    local started
    started=$(date +%s%N)
    "$APP" >"$WORK/app.log" 2>&1 &
    PID=$!
    for _ in $(seq 500); do grep -q "first paint at" "$WORK/app.log" && break; sleep 0.02; done
    local painted
    painted=$(sed -n 's/.*first paint at \([0-9]*\) ns.*/\1/p' "$WORK/app.log" | head -1)
    [ -n "$painted" ] || { cat "$WORK/app.log"; echo "no paint logged (is this program too old to log it?)"; exit 1; }
    STARTUP_MS=$(((painted - started) / 1000000))
}

# The flash warning answered before, so "Strobe On" flashes at once.
mkdir -p "$XDG_DATA_HOME/aurelith"
printf '1\r\n' >"$XDG_DATA_HOME/aurelith/flashok"

if [ "$MODE" = slide ]; then
    mkdir -p "$XDG_DATA_HOME/aurelith/sequences"
    printf '%s\n' "b10: 200-10/60" "b6: 200-6/60" "NOW == b10 ->" "+00:01:00 == b6" "+00:03:00 b6" \
        >"$XDG_DATA_HOME/aurelith/sequences/slide.sbg"
    launch
    main=$(xdotool search --onlyvisible --name 'Aurelith Binaural' | head -1)
    # Options, Sequences...; in its list the user's "slide", then Play.
    xdotool windowfocus --sync "$main" key --delay 100 alt+o q
    seqs=$(timeout 10 xdotool search --sync --onlyvisible --name '^Sequences$' | head -1)
    [ -n "$seqs" ] || { echo "the Sequences window did not open"; exit 1; }
    xdotool windowfocus --sync "$seqs" key --delay 100 alt+s type --delay 100 slide
    xdotool key --delay 100 alt+p
    # Below the main window (there is no window manager to place it), so the
    # strobe shows; then Options, Color ON there ("C" also marks Color OFF).
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool windowmove "$seqs" 0 $((Y + HEIGHT))
    xdotool windowfocus --sync "$main" key --delay 100 alt+o c Return
    sleep 1
    title=$(xdotool getwindowname "$main")
    case $title in *slide*left*) ;; *) echo "the slide is not playing (title: $title)"; exit 1 ;; esac
    echo "$title"
    # The strobe panel takes more than one colour, or the figure is not the strobe's.
    colours=$(for _ in 1 2 3 4 5 6 7 8; do
        import -window "$main" -crop 1x1+100+400 -format '%[pixel:p]\n' info:
    done | sort -u | wc -l)
    [ "$colours" -gt 1 ] || { echo "the strobe is not flashing"; exit 1; }
    echo "playing the slide with the strobe on: $(cpu_percent) % of one core"
    kill -TERM $PID; wait $PID 2>/dev/null; PID=
    exit 0
fi

startups=()
for _ in 1 2 3 4 5; do
    launch
    startups+=("$STARTUP_MS")
    kill -TERM $PID; wait $PID 2>/dev/null
done
median=$(printf '%s\n' "${startups[@]}" | sort -n | sed -n 3p)
echo "start-up to first paint: median ${median} ms (runs: ${startups[*]})"

launch
sleep 6 # the output closes after a few seconds with nothing to play
echo "idle, window open, nothing playing: $(cpu_percent) % of one core"

WID=$(xdotool search --onlyvisible --name 'Aurelith Binaural' | head -1)
eval "$(xdotool getwindowgeometry --shell "$WID")"
MENU=$((HEIGHT - 530))
xdotool mousemove $((X + 528)) $((Y + MENU + 76)) click 1   # M Alpha: 10 Hz beat
xdotool mousemove $((X + 108)) $((Y + MENU + 184)) click 1  # Strobe On
sleep 2
colours=$(for _ in 1 2 3 4 5 6 7 8; do import -window "$WID" -crop 1x1+100+400 -format '%[pixel:p]\n' info:; done | sort -u | wc -l)
[ "$colours" -gt 1 ] || { echo "the strobe is not flashing"; exit 1; }
echo "playing M Alpha with the strobe at 10 Hz: $(cpu_percent) % of one core"
kill -TERM $PID; wait $PID 2>/dev/null; PID=
